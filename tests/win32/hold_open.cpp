// A setup program that leaves a program behind holding a file: starts a copy
// of itself from outside its folder, which opens data\file.txt (sharing no
// deletion) for eight seconds, and ends with 0 two seconds later.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
  if (argc > 2) {  // the copy
    CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Sleep(8000);
    return 0;
  }
  char self[MAX_PATH], file[MAX_PATH], copy[] = "C:\\users\\Public\\hold_open_copy.exe";
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  GetFullPathNameA("data\\file.txt", MAX_PATH, file, nullptr);
  std::string line = std::string(copy) + " hold \"" + file + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CopyFileA(self, copy, FALSE) || !CreateProcessA(copy, line.data(), nullptr, nullptr, FALSE,
                                                       DETACHED_PROCESS, nullptr, "C:\\", &startup, &process))
    return 3;
  Sleep(2000);  // the copy has opened the file
  return 0;
}
