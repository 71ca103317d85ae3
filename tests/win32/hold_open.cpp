// A setup program that leaves a program behind it: starts a copy of itself
// from outside the folder it was started in, which opens data\file.txt there
// (sharing no deletion) and keeps it open for eight seconds; ends with 0 once
// the copy holds the file.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
  const wchar_t* ready_name = L"sfx_hold_open_ready";
  if (argc > 2) {
    HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, ready_name));
    Sleep(8000);
    CloseHandle(file);
    return 0;
  }
  char self[MAX_PATH], file[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  GetFullPathNameA("data\\file.txt", MAX_PATH, file, nullptr);
  const char* copy = "C:\\users\\Public\\hold_open_copy.exe";
  CopyFileA(self, copy, FALSE);
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, ready_name);
  std::string line = std::string("\"") + copy + "\" hold \"" + file + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  // Its working directory outside the folder too: only the file holds it.
  if (!CreateProcessA(copy, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, "C:\\", &startup,
                      &process))
    return 3;
  return WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0 ? 0 : 4;
}
