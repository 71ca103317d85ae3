// The Linux stub's face: the dialog and its message boxes as text on the
// console, driven by one command or answer per input line.
#include <dirent.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/dialog_controls.h"
#include "platform/files.h"
#include "platform/linux/console_text.h"
#include "resources/dialog_texts.h"
#include "resources/dlg32.h"

namespace {

DialogEvents* dialog_events = nullptr;

std::string last_list_line;
std::string new_dir_name;
std::string dir_selection;
std::vector<std::string> dir_list;
// The directory the list shows, printed with the list once a command (or the
// dialog's opening) has left it changed: the opening lists the start folder
// before the listing pass enters the program's, and only the latter counts.
std::string listed_dir;
bool dir_list_changed = false;
bool dialog_ended = false;
bool confirm_next_question = false;  // end of input at the prompt: Cancel answered Yes
bool target_hidden = false;          // no target directory lines, no "cd" or "make"
int posted_command = 0;              // run before the next line is read

// Every line may hold a name from the archive: shown, never obeyed.
void print_line(const std::string& line) {
  std::string text = visible_text(line);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// One line of input without its line end; false at the end of input.
bool read_line(std::string& line) {
  line.clear();
  int c;
  while ((c = std::fgetc(stdin)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return c != EOF || !line.empty();
}

void print_dir_list() {
  std::string text = "Directories:";
  for (const std::string& name : dir_list) text += " [" + name + "]";
  print_line(text);
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void show_dir_list_if_changed() {
  if (!dir_list_changed || target_hidden) return;
  dir_list_changed = false;
  print_line(DLG_TEXT_TARGET_LABEL " " + listed_dir);
  print_dir_list();
}

void print_help() { print_line("Commands: ok | cancel | cd NAME | make NAME | dirs | help"); }

// Runs one command line; "cd" and "make" take the rest of the line as the name.
void run_command(const std::string& line) {
  std::string verb = line.substr(0, line.find(' '));
  std::string argument = line.size() > verb.size() ? line.substr(verb.size() + 1) : "";
  if (verb == "ok") {
    dialog_events->command(IDC_OK);
  } else if (verb == "cancel") {
    dialog_events->command(IDC_CANCEL);
  } else if (target_hidden && (verb == "cd" || verb == "make")) {
    print_help();
  } else if (verb == "cd") {
    if (std::find(dir_list.begin(), dir_list.end(), argument) == dir_list.end()) {
      print_line("Not in the directory list: " + argument);
      return;
    }
    dir_selection = argument;
    dialog_events->command(IDC_DIR_LIST);
  } else if (verb == "make") {
    new_dir_name = argument;
    dialog_events->command(IDC_MAKE);
  } else if (verb == "dirs") {
    print_dir_list();
  } else if (!verb.empty()) {
    print_help();
  }
}

class ConsoleFrontEnd final : public FrontEnd {
 public:
  void show_progress_line(const char* text) override {
    last_list_line = text;
    print_line(text);
  }
  void clear_progress_lines() override { last_list_line.clear(); }
  void set_status(const char* text) override {
    // A line just added to the list is already on screen as the status too.
    if (text != last_list_line) print_line(std::string("Status: ") + text);
  }
  bool ask_yes_no(const char* text, const char* caption) override {
    print_line(std::string("[") + caption + "] " + text);
    if (confirm_next_question) {
      confirm_next_question = false;
      print_line("(end of input) Yes");
      return true;
    }
    std::fputs("Yes/No? ", stdout);
    std::fflush(stdout);
    std::string answer;
    bool got = read_line(answer);
    if (!isatty(STDIN_FILENO)) std::fputc('\n', stdout);
    answer = lower(answer);
    return got && (answer == "y" || answer == "yes");
  }
  // Typed without echo on a terminal; an empty line or the end of input is
  // Cancel.
  bool ask_password(const char* entry_name, const char* caption, char* out, unsigned capacity) override {
    print_line(std::string("[") + caption + "] " + entry_name);
    std::fputs("Password: ", stdout);
    std::fflush(stdout);
    termios saved{};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
      termios quiet = saved;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string answer;
    const bool got = read_line(answer);
    if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputc('\n', stdout);
    copy_text(out, capacity, answer.c_str());
    return got && !answer.empty();
  }
  void show_message(BoxOwner, const char* text, const char* caption) override {
    print_line(std::string("[") + caption + "] " + text);
    std::string ignored;
    read_line(ignored);
  }
  // The console reads its input only at the prompt.
  [[noreturn]] void end_process(int status) override {
    std::fflush(stdout);
    std::exit(status);
  }
};

ConsoleFrontEnd front_end;

}  // namespace

namespace platform {

FrontEnd& stub_front_end() { return front_end; }

// The caption is printed with the dialog's fixed texts, before anything else.
void set_dialog_caption(const char*) {}

void set_new_dir_name(const char* text) { new_dir_name = text; }

void read_new_dir_name(char* out, size_t capacity) { copy_text(out, capacity, new_dir_name.c_str()); }

void center_dialog() {}

void fill_dir_list(char* dir_spec) {
  set_current_dir(dir_spec);
  dir_list.assign(1, "..");
  std::vector<std::string> names;
  if (DIR* d = ::opendir(".")) {
    while (dirent* e = ::readdir(d)) {
      struct stat st;
      std::string name = e->d_name;
      if (name != "." && name != ".." && ::stat(e->d_name, &st) == 0 && S_ISDIR(st.st_mode))
        names.push_back(name);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  dir_list.insert(dir_list.end(), names.begin(), names.end());
  char cwd[kPathCapacity];
  current_dir(cwd, sizeof cwd);
  listed_dir = cwd;
  dir_list_changed = true;
}

bool select_from_dir_list(char* dir_spec, size_t capacity) {
  if (dir_selection.empty()) return false;
  copy_text(dir_spec, capacity, (dir_selection + "/").c_str());
  dir_selection.clear();
  return true;
}

void repaint_dialog() {}

void enable_pass_commands(bool) {}

void end_dialog(int) { dialog_ended = true; }

void post_command(int id) { posted_command = id; }

void hide_target_controls() { target_hidden = true; }

void show_usage(const char* text, const char* caption) {
  std::printf("%s\n%s\n", caption, text);
  std::fflush(stdout);
}

void run_main_dialog(DialogEvents& events, const char* caption) {
  dialog_events = &events;
  print_line(std::string("== ") + caption + " ==");
  print_line(DLG_TEXT_INTRO);
  if (!target_hidden) print_line(DLG_TEXT_CHOOSE_TARGET);
  print_line(DLG_TEXT_BEGIN);
  dialog_events->initialise();
  show_dir_list_if_changed();
  print_help();
  std::string line;
  while (!dialog_ended) {
    if (posted_command != 0) {
      const int id = posted_command;
      posted_command = 0;
      dialog_events->command(id);
      continue;
    }
    if (isatty(STDIN_FILENO)) std::fputs("> ", stdout), std::fflush(stdout);
    if (!read_line(line)) {
      confirm_next_question = true;
      line = "cancel";
    }
    run_command(line);
    show_dir_list_if_changed();
  }
}

}  // namespace platform
