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

void install_front_end(const FrontEndInstallation& installation);
FrontEnd& installed_front_end();

[[noreturn]] void fatal_exit(int16_t code);
