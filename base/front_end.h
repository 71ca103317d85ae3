// What the program shows the user and asks of them: the dialog's list and
// status line, Yes/No questions and message boxes, and the process exit.
// The Win32 dialog, the Linux console, the tests' scripted front end and the
// benchmark's silent one implement it; program entry installs one (fatal.h).
#pragma once
#include <cstdint>

enum class BoxOwner { kNone, kDialog };

class FrontEnd {
 public:
  // The line becomes the last line of the contents list and the status line.
  virtual void show_progress_line(const char* text) = 0;
  virtual void clear_progress_lines() = 0;
  virtual void set_status(const char* text) = 0;
  // A Yes/No box without owner window; true only for Yes.
  virtual bool ask_yes_no(const char* text, const char* caption) = 0;
  // The password box for an encrypted entry: the password typed (UTF-8,
  // zero-terminated, at most capacity - 1 bytes) and true for OK; false for
  // Cancel. A front end nobody watches never asks.
  virtual bool ask_password(const char* /*entry_name*/, const char* /*caption*/, char* /*out*/,
                            unsigned /*capacity*/) {
    return false;
  }
  // An OK box; returns when the user dismisses it.
  virtual void show_message(BoxOwner owner, const char* text, const char* caption) = 0;
  // Called often while the extraction pass runs (at each poll for a Cancel and
  // after each full write of the output window) with the compressed bytes
  // worked through out of the archive's total: the front end may show how far
  // the pass has come and handle pending input, which may run the Cancel
  // command. It must cost next to nothing when called more often than it
  // needs; done == total always shows the end. A front end with nothing to
  // show leaves it as it is.
  virtual void pass_progress(uint64_t /*done*/, uint64_t /*total*/) {}
  // Ends the process with the given status through the ordinary process exit
  // (the tests' and the benchmark's front ends throw instead).
  [[noreturn]] virtual void end_process(int status) = 0;

 protected:
  ~FrontEnd() = default;
};
