// A stand-in for an installer's setup program: writes the arguments it was
// given (as CommandLineToArgvW splits them) and its working directory, one per
// line in UTF-8, to the file the SFX_RECORD environment variable names, and
// ends with status 7.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

int main() {
  const wchar_t* record = _wgetenv(L"SFX_RECORD");
  if (!record) return 3;
  FILE* f = _wfopen(record, L"wb");
  if (!f) return 4;
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; i < count; ++i) std::fprintf(f, "%s\n", utf8(args[i]).c_str());
  wchar_t dir[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, dir);
  std::fprintf(f, "%s\n", utf8(dir).c_str());
  std::fclose(f);
  return 7;
}
