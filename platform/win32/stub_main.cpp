#include <windows.h>

#include "shell/program_entry.h"

// The module, the command line and the show command play no part.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return program_entry(); }
