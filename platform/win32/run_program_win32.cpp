#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstring>

#include "base/memory.h"
#include "platform/run_program.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// `text` as UTF-16 on the heap (empty when it does not convert); null when it
// takes more than `most` - 1 units with its terminating zero.
ZeroedBlock<wchar_t> wide_copy(const char* text, int most = kSystemPathUnits) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0) + 1;
  if (units > most) return nullptr;
  auto wide = make_zeroed<wchar_t>(static_cast<uint32_t>(units) * sizeof(wchar_t));
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.get(), units);
  return wide;
}

}  // namespace

bool run_program(const ProgramRun& run, int& status) {
  // The arguments as the settings and the self-extractor's command line hold
  // them: Windows quoting already.
  const char* pass_on = run.pass_on_text ? run.pass_on_text : "";
  const size_t size = std::strlen(run.arguments) + std::strlen(pass_on) + 3;
  auto line = make_zeroed<char>(static_cast<uint32_t>(size));
  for (const char* more : {run.arguments, pass_on})
    if (*more != '\0') std::strcat(std::strcat(line.get(), " "), more);
  // A process's current directory, and a program the shell starts, hold
  // MAX_PATH units at most with the terminating zero: a longer one is not
  // started (Wine's shell even overflows its buffers on one).
  const auto program = wide_copy(run.program, MAX_PATH + 1), parameters = wide_copy(line.get()),
             work_dir = wide_copy(run.work_dir, MAX_PATH + 1);
  if (!program || !work_dir) return false;
  // No verb: the system starts the file as a double-click would, and waits
  // for an elevation prompt's answer before it returns.
  SHELLEXECUTEINFOW start = {};
  start.cbSize = sizeof start;
  start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | (run.silent ? SEE_MASK_FLAG_NO_UI : 0);
  start.lpFile = program.get();
  start.lpParameters = parameters.get();
  start.lpDirectory = work_dir.get();
  start.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&start)) return false;
  // No process when a running one took the file over: nothing to wait for.
  DWORD code = 0;
  if (start.hProcess) {
    WaitForSingleObject(start.hProcess, INFINITE);
    GetExitCodeProcess(start.hProcess, &code);
    CloseHandle(start.hProcess);
  }
  status = static_cast<int>(code);
  return true;
}

}  // namespace platform
