// The one way a run ends early: a numbered condition, one message box, back
// to the start directory, exit status 1 -- all through the installed front end.
#pragma once
#include <cstdint>

#include "base/exit_code.h"
#include "base/front_end.h"

// Where fatal stops and every report go. Program entry installs it before
// anything can fail; the texts must live as long as the installation.
struct FrontEndInstallation {
  FrontEnd* front_end = nullptr;
  const char* caption = "";                      // of the fatal message box
  const char* start_dir = nullptr;               // made current again before the exit
  uint16_t (*enter_dir)(const char*) = nullptr;  // how to make it current
};

// Each installation also clears the stop's undo step.
void install_front_end(const FrontEndInstallation& installation);
FrontEnd& installed_front_end();

// What a fatal stop undoes before its message (the extraction pass's output
// that is not yet proven), run once; null clears it.
void set_stop_undo(void (*undo)(void* context), void* context);

[[noreturn]] void fatal_exit(int16_t code);
