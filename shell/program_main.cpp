// The process's entry point on each platform: hands this platform's front end
// and the command line to program entry.
#include "platform/dialog_controls.h"
#include "shell/program_entry.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide_text.h"

namespace {
// The longest command line Windows gives a program, as UTF-8.
char command_line[32768 * 3];
}  // namespace

// The command line is read whole in UTF-16: /D= may name any folder.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  StubOptions options{};
  if (platform::to_utf8(GetCommandLineW(), command_line, sizeof command_line))
    parse_command_text(command_line, options);
  return program_entry(platform::stub_front_end(), options);
}
#else
int main(int, char** argv) {
  StubOptions options{};
  parse_arguments(argv + 1, options);
  return program_entry(platform::stub_front_end(), options);
}
#endif
