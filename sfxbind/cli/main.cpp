// sfxbind: makes a self-extractor from a folder, a ZIP archive or another
// self-extractor.
#include <iostream>
#include <new>
#ifdef _WIN32
// The wide command line, whatever the ANSI code page: every name reaches
// the tool whole, in UTF-8.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

#include "sfxbind/byte_fields.h"
#include "sfxbind/cli/run_binding.h"
#include "sfxbind/output/embedded_stub.h"

namespace {

// The arguments after the program's name, in UTF-8.
std::vector<std::string> arguments(int argc, char** argv) {
#ifdef _WIN32
  (void)argc, (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
    arg.pop_back();  // the terminating zero
    args.push_back(std::move(arg));
  }
  LocalFree(wide);
  return args;
#else
  return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

#ifdef _WIN32
// Names are printed as they are kept, in UTF-8; the console gets its code
// page back when the tool ends.
struct Utf8Console {
  UINT previous = GetConsoleOutputCP();
  Utf8Console() { SetConsoleOutputCP(CP_UTF8); }
  ~Utf8Console() { SetConsoleOutputCP(previous); }
};
#endif

}  // namespace

int main(int argc, char** argv) {
  using namespace sfxbind;
#ifdef _WIN32
  Utf8Console console;
#endif
  Options options;
  try {
    options = parse_command_line(arguments(argc, argv));
  } catch (const BindError& e) {
    std::cerr << "sfxbind: " << e.what() << '\n';
    return kFailed;
  } catch (const std::bad_alloc&) {
    std::cerr << "sfxbind: out of memory: nothing written\n";
    return kFailed;
  }
  if (options.help) {
    print_help(std::cout, embedded_stub());
    return kBound;
  }
  if (options.version) {
    print_version(std::cout, embedded_stub());
    return kBound;
  }
  return run_binding(options, embedded_stub(), std::cout, std::cerr);
}
