// The process's entry point on each platform: hands this platform's front end
// to program entry.
#include "platform/dialog_controls.h"
#include "shell/program_entry.h"

#ifdef _WIN32
#include <windows.h>

// The module, the command line and the show command play no part.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return program_entry(platform::stub_front_end()); }
#else
int main() { return program_entry(platform::stub_front_end()); }
#endif
