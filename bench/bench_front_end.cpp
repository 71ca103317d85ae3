// A silent face for in-process decoding: no lines shown, every question
// answered Yes, and a fatal stop thrown as DecodeStop instead of ending the
// process, so a benchmark can report it and go on.
#include "bench/decode_set.h"
#include "shell/window_services.h"

std::string last_stop_message;

void show_progress_line(const char*) {}
void clear_progress_lines() {}
void set_status(const char*) {}
bool ask_yes_no(const char*, const char*) { return true; }
void show_message(BoxOwner, const char* text, const char*) { last_stop_message = text; }
void end_process(int status) { throw DecodeStop{status, last_stop_message}; }
