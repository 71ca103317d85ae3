// Drives the stub's dialog from a second process, as a user would, and
// prints what it sees (UTF-8, one fact per line) for the test script.
//
//   dialog_driver CAPTION STEP...
//   dialog_driver --box CAPTION BUTTON
//
// The second form waits for a message box of any process with CAPTION (a
// program that shows no dialog first), prints its text and presses BUTTON.
//
// Steps, run in order:
//   dump           the caption, statics 101 and 201, lists 105 and 103, and
//                  how far list 105 scrolls sideways (pixels)
//   controls       every child control in template order: id, class, text
//   make NAME      types NAME into edit 106 and presses Make
//   select NAME    selects the item NAME in list 103
//   ok | cancel    presses OK or Cancel (posted: a message box may follow)
//   box BUTTON     waits for the next message box of the dialog's process,
//                  prints its owner, caption and text and how long after the
//                  last press it appeared, presses BUTTON (ok, yes or no) and
//                  waits until the box has gone; BUTTON none leaves it open
//                  (cancel presses Cancel: the password box's)
//   password TEXT  waits for the password box, prints it as `box` does,
//                  types TEXT into its edit field and presses OK
//   gone           waits until the dialog has gone
//   lines N        waits until list 105 holds at least N lines
//   watch          from now on, every wait also samples the progress bar and
//                  whether the system reports the dialog hung:
//                  progress=POSITION MAXIMUM VISIBLE HUNG
// Exit status 0 when every step ran, 2 on a timeout or a missing item.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 60000;
constexpr DWORD kPollMs = 50;

HWND watched = nullptr;     // the dialog, once `watch` has run
DWORD last_press_tick = 0;  // when OK or Cancel was last posted

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stdout, "error=%s\n", what.c_str());
  std::fflush(stdout);
  std::exit(2);
}

std::string utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::wstring wide(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(n > 0 ? n - 1 : 0);
  return out;
}

void print(const char* key, const std::string& value) {
  std::fprintf(stdout, "%s=%s\n", key, value.c_str());
  std::fflush(stdout);
}

// Window texts are read in UTF-16: across processes the ANSI forms of the
// list messages hand back UTF-16 anyway.
std::wstring window_text(HWND w) {
  wchar_t buffer[1024] = L"";
  SendMessageW(w, WM_GETTEXT, sizeof buffer / sizeof buffer[0], reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

std::string class_name(HWND w) {
  char name[64] = "";
  GetClassNameA(w, name, sizeof name);
  return name;
}

std::vector<std::wstring> list_items(HWND list) {
  std::vector<std::wstring> items;
  LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
    std::wstring item(length + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    item.resize(length);
    items.push_back(item);
  }
  return items;
}

struct Search {
  const std::wstring* caption;  // the dialog: class #32770 with this caption
  DWORD process;                // a box: class #32770 of this process...
  HWND skip;                    // ...other than the dialog
  HWND found;
  bool any_box = false;  // with `caption`: a message box rather than the dialog
};

BOOL CALLBACK match_window(HWND w, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  if (class_name(w) != "#32770" || !IsWindowVisible(w) || w == s->skip) return TRUE;
  // Message boxes share the dialog's caption; only the dialog holds list 105.
  if (s->caption && (window_text(w) != *s->caption || (!s->any_box && !GetDlgItem(w, 105)))) return TRUE;
  if (s->process) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process != s->process) return TRUE;
  }
  s->found = w;
  return FALSE;
}

// A busy dialog must still answer: a message it has not taken within a
// second counts as unanswered (position -1).
LRESULT ask_progress(HWND bar, UINT message, WPARAM wparam) {
  DWORD_PTR result = static_cast<DWORD_PTR>(-1);
  if (!SendMessageTimeoutW(bar, message, wparam, 0, SMTO_NORMAL, 1000, &result)) return -1;
  return static_cast<LRESULT>(result);
}

void sample() {
  if (!watched || !IsWindowVisible(watched)) return;
  HWND bar = GetDlgItem(watched, 202);
  LRESULT position = ask_progress(bar, PBM_GETPOS, 0);
  LRESULT maximum = ask_progress(bar, PBM_GETRANGE, FALSE);
  bool visible = IsWindowVisible(bar), hung = IsHungAppWindow(watched);
  if (!IsWindowVisible(watched)) return;  // the dialog ended meanwhile
  char line[96];
  std::snprintf(line, sizeof line, "%ld %ld %d %d", static_cast<long>(position), static_cast<long>(maximum),
                visible ? 1 : 0, hung ? 1 : 0);
  print("progress", line);
}

HWND wait_for_window(Search search, const char* what) {
  for (DWORD waited = 0; waited < kTimeoutMs; waited += kPollMs) {
    sample();
    search.found = nullptr;
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(kPollMs);
  }
  fail(std::string("timeout waiting for ") + what);
}

void wait_until_gone(HWND w, const char* what) {
  for (DWORD waited = 0; waited < kTimeoutMs; waited += kPollMs) {
    sample();
    if (!IsWindow(w)) return;
    Sleep(kPollMs);
  }
  fail(std::string("timeout waiting for the end of ") + what);
}

void dump(HWND dialog) {
  print("caption", utf8(window_text(dialog)));
  print("static101", utf8(window_text(GetDlgItem(dialog, 101))));
  print("status201", utf8(window_text(GetDlgItem(dialog, 201))));
  for (const std::wstring& line : list_items(GetDlgItem(dialog, 105))) print("list105", utf8(line));
  for (const std::wstring& line : list_items(GetDlgItem(dialog, 103))) print("list103", utf8(line));
  print("extent105", std::to_string(SendMessageW(GetDlgItem(dialog, 105), LB_GETHORIZONTALEXTENT, 0, 0)));
}

void controls(HWND dialog) {
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char line[64];
    std::snprintf(line, sizeof line, "%d %s ", static_cast<int>(static_cast<short>(GetDlgCtrlID(c))),
                  class_name(c).c_str());
    print("control", line + utf8(window_text(c)));
  }
}

void make(HWND dialog, const char* name) {
  std::wstring text = wide(name);
  SendMessageW(GetDlgItem(dialog, 106), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(107, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, 107)));
}

void select_in_dir_list(HWND dialog, const char* name) {
  HWND list = GetDlgItem(dialog, 103);
  std::vector<std::wstring> items = list_items(list);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] != wide(name)) continue;
    SendMessageW(list, LB_SETCURSEL, i, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(103, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return;
  }
  fail(std::string("no item ") + name + " in list 103");
}

void wait_for_lines(HWND dialog, int count) {
  for (DWORD waited = 0; waited < kTimeoutMs; waited += kPollMs) {
    sample();
    if (SendMessageW(GetDlgItem(dialog, 105), LB_GETCOUNT, 0, 0) >= count) return;
    Sleep(kPollMs);
  }
  fail("timeout waiting for " + std::to_string(count) + " lines in list 105");
}

void press(HWND dialog, int id) {
  last_press_tick = GetTickCount();
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void answer_box(HWND dialog, const std::string& button, HWND box = nullptr) {
  if (!box) {
    Search search = {nullptr, 0, dialog, nullptr};
    GetWindowThreadProcessId(dialog, &search.process);
    box = wait_for_window(search, "a message box");
  }
  print("box_wait_ms", std::to_string(GetTickCount() - last_press_tick));
  sample();  // the state the box was opened in
  HWND owner = GetWindow(box, GW_OWNER);
  print("box_owner", owner == dialog ? "dialog" : owner ? "other" : "none");
  print("box_caption", utf8(window_text(box)));
  print("box_text", utf8(window_text(GetDlgItem(box, 0xFFFF))));
  if (button == "none") return;
  int id = button == "yes" ? IDYES : button == "no" ? IDNO : button == "cancel" ? IDCANCEL : IDOK;
  HWND target = GetDlgItem(box, id);
  if (!target) fail("no button " + button + " in the box");
  PostMessageW(target, BM_CLICK, 0, 0);
  wait_until_gone(box, "the message box");
}

void type_password(HWND dialog, const char* text) {
  Search search = {nullptr, 0, dialog, nullptr};
  GetWindowThreadProcessId(dialog, &search.process);
  HWND box = wait_for_window(search, "the password box");
  print("box_caption", utf8(window_text(box)));
  print("box_entry", utf8(window_text(GetDlgItem(box, 301))));
  std::wstring typed = wide(text);
  SendMessageW(GetDlgItem(box, 302), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  wait_until_gone(box, "the password box");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dialog_driver CAPTION STEP...\n");
    return 2;
  }
  if (std::strcmp(argv[1], "--box") == 0 && argc == 4) {
    std::wstring caption = wide(argv[2]);
    Search search = {&caption, 0, nullptr, nullptr, true};
    answer_box(nullptr, argv[3], wait_for_window(search, "the message box"));
    print("done", "1");
    return 0;
  }
  std::wstring caption = wide(argv[1]);
  HWND dialog = wait_for_window(Search{&caption, 0, nullptr, nullptr}, "the dialog");
  for (int i = 2; i < argc; ++i) {
    std::string step = argv[i];
    auto argument = [&]() -> const char* {
      if (i + 1 >= argc) fail(step + " needs an argument");
      return argv[++i];
    };
    if (step == "dump")
      dump(dialog);
    else if (step == "controls")
      controls(dialog);
    else if (step == "make")
      make(dialog, argument());
    else if (step == "select")
      select_in_dir_list(dialog, argument());
    else if (step == "ok")
      press(dialog, IDOK);
    else if (step == "cancel")
      press(dialog, IDCANCEL);
    else if (step == "box")
      answer_box(dialog, argument());
    else if (step == "password")
      type_password(dialog, argument());
    else if (step == "gone")
      wait_until_gone(dialog, "the dialog");
    else if (step == "lines")
      wait_for_lines(dialog, std::atoi(argument()));
    else if (step == "watch")
      watched = dialog;
    else
      fail("unknown step " + step);
  }
  print("done", "1");
  return 0;
}
