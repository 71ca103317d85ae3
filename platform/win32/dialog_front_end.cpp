// The Win32 stub's face: dialog template 200 run modally over USER32, the
// window services the archive logic reports through, and the message boxes.
// Texts are UTF-8 here and UTF-16 at USER32 (the wide calls throughout).
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdlib>

#include "platform/dialog_controls.h"
#include "platform/win32/wide_text.h"
#include "resources/dlg32.h"

namespace {

// Set first thing when the dialog initialises; everything below works on it.
HWND dialog_window = nullptr;
DialogEvents* dialog_events = nullptr;
bool target_hidden = false;

constexpr int kWideCapacityForPassword = 256;
constexpr UINT kDirListTypes = DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY;
// Input is taken in this often while a pass runs: often enough to answer a
// Cancel at once, rarely enough to cost nothing.
constexpr DWORD kPumpIntervalMs = 200;

HWND control(int id) { return GetDlgItem(dialog_window, id); }

// Lets list 105 scroll sideways as far as its widest line, measured in its
// font (on a common device context, which its release resets).
void widen_contents_list(const platform::WideText& text) {
  HWND list = control(IDC_CONTENTS_LIST);
  HDC dc = GetDC(list);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
  SIZE size;
  GetTextExtentPoint32W(dc, text.get(), text.length(), &size);
  ReleaseDC(list, dc);
  // A few pixels for the margin the list keeps left of each line.
  if (size.cx + 4 > SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0))
    SendMessageW(list, LB_SETHORIZONTALEXTENT, size.cx + 4, 0);
}

// Window texts go through WM_SETTEXT themselves: each USER32 function fewer
// is an import fewer in a stub that must stay small.
void set_text(HWND window, const char* text) {
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(platform::WideText(text).get()));
}

int message_box(HWND owner, const char* text, const char* caption, UINT buttons) {
  return MessageBoxW(owner, platform::WideText(text).get(), platform::WideText(caption).get(), buttons);
}

// The dialog's messages, dispatched from inside a pass as its own modal loop
// would (the dialog is the thread's only window, and nothing posts a quit
// while a pass runs).
void pump_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    if (!IsDialogMessageW(dialog_window, &message)) DispatchMessageW(&message);
}

// The target path, both directory controls and their labels: the labels
// stand just before OK and before the new name's edit field in the template.
void hide_target() {
  HWND ok_label = GetWindow(control(IDC_OK), GW_HWNDPREV);
  const HWND hidden[] = {control(IDC_TARGET_PATH),
                         control(IDC_DIR_LIST),
                         control(IDC_NEW_DIR_NAME),
                         control(IDC_MAKE),
                         GetWindow(control(IDC_NEW_DIR_NAME), GW_HWNDPREV),
                         ok_label,
                         GetWindow(ok_label, GW_HWNDPREV)};
  for (HWND window : hidden) ShowWindow(window, SW_HIDE);
}

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      dialog_window = dialog;
      if (target_hidden) hide_target();
      dialog_events->initialise();
      return 1;  // the focus goes to the first tab stop, OK
    case WM_COMMAND: dialog_events->command(LOWORD(wparam)); return 1;
    default: return 0;
  }
}

// What the password box shows and where its answer goes.
struct PasswordBox {
  const char* name;
  const char* caption;
  char* out;
  unsigned capacity;
};

INT_PTR CALLBACK password_dialog_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  static PasswordBox* asked = nullptr;
  if (message == WM_INITDIALOG) {
    asked = reinterpret_cast<PasswordBox*>(lparam);
    set_text(box, asked->caption);
    set_text(GetDlgItem(box, IDC_PASSWORD_NAME), asked->name);
    return 1;  // the focus goes to the first tab stop, the edit field
  }
  if (message != WM_COMMAND) return 0;
  const int id = LOWORD(wparam);
  if (id == IDC_OK) {
    wchar_t typed[kWideCapacityForPassword];
    SendMessageW(GetDlgItem(box, IDC_PASSWORD_EDIT), WM_GETTEXT, kWideCapacityForPassword,
                 reinterpret_cast<LPARAM>(typed));
    platform::to_utf8(typed, asked->out, asked->capacity);
  }
  if (id == IDC_OK || id == IDC_CANCEL) EndDialog(box, id == IDC_OK);
  return 1;
}

class DialogFrontEnd final : public FrontEnd {
 public:
  void show_progress_line(const char* text) override {
    platform::WideText line(text);
    const LPARAM wide = reinterpret_cast<LPARAM>(line.get());
    SendMessageW(control(IDC_CONTENTS_LIST), LB_ADDSTRING, 0, wide);
    widen_contents_list(line);
    SendMessageW(control(IDC_STATUS), WM_SETTEXT, 0, wide);
    UpdateWindow(dialog_window);
  }
  void clear_progress_lines() override {
    SendMessageW(control(IDC_CONTENTS_LIST), LB_RESETCONTENT, 0, 0);
    SendMessageW(control(IDC_CONTENTS_LIST), LB_SETHORIZONTALEXTENT, 0, 0);
  }
  void set_status(const char* text) override { set_text(control(IDC_STATUS), text); }
  bool ask_yes_no(const char* text, const char* caption) override {
    // No owner: the dialog stays usable, so Cancel works while the box is open.
    return message_box(nullptr, text, caption, MB_YESNO) == IDYES;
  }
  bool ask_password(const char* entry_name, const char* caption, char* out, unsigned capacity) override {
    PasswordBox box{entry_name, caption, out, capacity};
    return DialogBoxParamW(GetModuleHandleA(nullptr), MAKEINTRESOURCEW(DLG_PASSWORD), dialog_window,
                           password_dialog_proc, reinterpret_cast<LPARAM>(&box)) == 1;
  }
  void show_message(BoxOwner owner, const char* text, const char* caption) override {
    message_box(owner == BoxOwner::kDialog ? dialog_window : nullptr, text, caption, MB_OK);
  }
  void pass_progress(uint64_t done, uint64_t total) override {
    const DWORD now = GetTickCount();
    if (done < total && now - last_pump_tick_ < kPumpIntervalMs) return;
    last_pump_tick_ = now;
    // In percent, the bar's own range, by 32-bit arithmetic that cannot
    // overflow: counts past 32 bits are first halved down to them.
    while (total > 0xFFFFFFFFu) {
      total >>= 1;
      done >>= 1;
    }
    const uint32_t done32 = static_cast<uint32_t>(done), total32 = static_cast<uint32_t>(total);
    const WPARAM percent = done32 < total32 ? done32 / (total32 / 100 + 1) : 100;
    SendMessageW(control(IDC_PROGRESS), PBM_SETPOS, percent, 0);
    pump_messages();
  }
  [[noreturn]] void end_process(int status) override {
    PostQuitMessage(0);
    std::exit(status);
  }

 private:
  DWORD last_pump_tick_ = 0;
};

DialogFrontEnd front_end;

}  // namespace

namespace platform {

FrontEnd& stub_front_end() { return front_end; }

void set_dialog_caption(const char* text) { set_text(dialog_window, text); }

void set_new_dir_name(const char* text) { set_text(control(IDC_NEW_DIR_NAME), text); }

void read_new_dir_name(char* out, size_t capacity) {
  wchar_t name[kWideCapacity];
  SendMessageW(control(IDC_NEW_DIR_NAME), WM_GETTEXT, kWideCapacity, reinterpret_cast<LPARAM>(name));
  to_utf8(name, out, capacity);
}

void center_dialog() {
  RECT r;
  GetWindowRect(dialog_window, &r);
  int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 3;
  SetWindowPos(dialog_window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void fill_dir_list(char* dir_spec) {
  DlgDirListW(dialog_window, WideText(dir_spec).data(), IDC_DIR_LIST, IDC_TARGET_PATH, kDirListTypes);
}

bool select_from_dir_list(char* dir_spec, size_t capacity) {
  wchar_t selected[kWideCapacity];
  return DlgDirSelectExW(dialog_window, selected, kWideCapacity, IDC_DIR_LIST) != 0 &&
         to_utf8(selected, dir_spec, capacity);
}

void repaint_dialog() { UpdateWindow(dialog_window); }

void enable_pass_commands(bool enabled) {
  static const int kPassCommands[] = {IDC_OK, IDC_MAKE, IDC_NEW_DIR_NAME, IDC_DIR_LIST, IDC_CONTENTS_LIST};
  for (int id : kPassCommands) EnableWindow(control(id), enabled);
  HWND bar = control(IDC_PROGRESS);
  ShowWindow(bar, enabled ? SW_HIDE : SW_SHOW);
  // The "Select OK to begin." text, just before the bar in the template.
  ShowWindow(GetWindow(bar, GW_HWNDPREV), enabled ? SW_SHOW : SW_HIDE);
}

void end_dialog(int result) { EndDialog(dialog_window, result); }

void post_command(int id) {
  // A dialog is shown once its queue is empty; the command must find it shown.
  ShowWindow(dialog_window, SW_SHOW);
  PostMessageW(dialog_window, WM_COMMAND, id, 0);
}

void hide_target_controls() { target_hidden = true; }

void show_usage(const char* text, const char* caption) { message_box(nullptr, text, caption, MB_OK); }

void run_main_dialog(DialogEvents& events, const char*) {
  dialog_events = &events;
  // The template's progress bar is a common control.
  const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  DialogBoxParamW(GetModuleHandleA(nullptr), MAKEINTRESOURCEW(DLG_MAIN), nullptr, main_dialog_proc, 0);
  PostQuitMessage(0);
}

}  // namespace platform
