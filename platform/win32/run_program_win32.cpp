#include <windows.h>

#include <cstring>

#include "base/memory.h"
#include "platform/run_program.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// The longest command line CreateProcessW takes, in UTF-16 units.
constexpr int kCommandLineUnits = 32768;

}  // namespace

bool run_program(const ProgramRun& run, int& status) {
  // The program's own path quoted as the first word (a path holds no quote
  // and does not end in a backslash), then the arguments as the settings and
  // the self-extractor's command line hold them: Windows quoting already.
  const char* pass_on = run.pass_on_text ? run.pass_on_text : "";
  const size_t size = std::strlen(run.program) + std::strlen(run.arguments) + std::strlen(pass_on) + 8;
  ZeroedBlock<char> line(static_cast<char*>(alloc_zeroed(static_cast<uint32_t>(size))));
  char* text = line.get();
  std::strcat(std::strcat(std::strcat(text, "\""), run.program), "\"");
  for (const char* more : {run.arguments, pass_on})
    if (*more != '\0') std::strcat(std::strcat(text, " "), more);
  ZeroedBlock<wchar_t> wide(static_cast<wchar_t*>(alloc_zeroed(kCommandLineUnits * sizeof(wchar_t))));
  if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.get(), kCommandLineUnits) == 0) return false;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessW(WideText(run.program).get(), wide.get(), nullptr, nullptr, FALSE, 0, nullptr,
                      WideText(run.work_dir).get(), &startup, &process))
    return false;
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  status = static_cast<int>(code);
  return true;
}

}  // namespace platform
