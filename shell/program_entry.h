#pragma once

// Works out the run's state from the program's own location, runs the main
// dialog, and returns the process exit status after a completed extraction.
int program_entry();
