// What the archive logic needs of the dialog and message boxes. The Win32
// build implements these over USER32, the Linux build on the console.
#pragma once

// The line becomes the last line of the contents list and the status line.
void show_progress_line(const char* text);
void clear_progress_lines();
void set_status(const char* text);
// A Yes/No box without owner window; true only for Yes.
bool ask_yes_no(const char* text, const char* caption);
enum class BoxOwner { kNone, kDialog };
// An OK box; returns when the user dismisses it.
void show_message(BoxOwner owner, const char* text, const char* caption);

// Ends the process with the given status through the ordinary process exit.
[[noreturn]] void end_process(int status);
