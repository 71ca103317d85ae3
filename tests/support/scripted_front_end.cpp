#include "tests/support/scripted_front_end.h"

#include <cstdio>
#include <cstdlib>

#include "shell/window_services.h"

ScriptedFrontEnd front_end;

void show_progress_line(const char* text) {
  front_end.list_lines.emplace_back(text);
  front_end.status = text;
}

void clear_progress_lines() { front_end.list_lines.clear(); }

void set_status(const char* text) { front_end.status = text; }

bool ask_yes_no(const char* text, const char* caption) {
  front_end.questions.push_back({text, caption});
  if (front_end.answers.empty()) return front_end.default_answer;
  bool answer = front_end.answers.front();
  front_end.answers.pop_front();
  return answer;
}

void show_message(BoxOwner, const char* text, const char* caption) {
  front_end.messages.emplace_back(text);
  if (front_end.exit_for_real) std::fprintf(stderr, "[%s] %s\n", caption, text);
}

void end_process(int status) {
  if (front_end.exit_for_real) std::exit(status);
  throw ProcessExit{status};
}
