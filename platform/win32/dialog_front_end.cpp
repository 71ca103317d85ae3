// The Win32 stub's face: dialog template 200 run modally over USER32, the
// window services the archive logic reports through, and the message boxes.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "platform/dialog_controls.h"
#include "resources/dlg32.h"

namespace {

// Set first thing when the dialog initialises; everything below works on it.
HWND dialog_window = nullptr;
DialogEvents* dialog_events = nullptr;

constexpr UINT kDirListTypes = DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY;
// Input is taken in this often while a pass runs: often enough to answer a
// Cancel at once, rarely enough to cost nothing.
constexpr DWORD kPumpIntervalMs = 200;

HWND control(int id) { return GetDlgItem(dialog_window, id); }

// Lets list 105 scroll sideways as far as its widest line, measured in its
// font (on a common device context, which its release resets).
void widen_contents_list(const char* text) {
  HWND list = control(IDC_CONTENTS_LIST);
  HDC dc = GetDC(list);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
  SIZE size;
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  ReleaseDC(list, dc);
  // A few pixels for the margin the list keeps left of each line.
  if (size.cx + 4 > SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0))
    SendMessageA(list, LB_SETHORIZONTALEXTENT, size.cx + 4, 0);
}

// The dialog's messages, dispatched from inside a pass as its own modal loop
// would (the dialog is the thread's only window, and nothing posts a quit
// while a pass runs).
void pump_messages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    if (!IsDialogMessageA(dialog_window, &message)) DispatchMessageA(&message);
}

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      dialog_window = dialog;
      dialog_events->initialise();
      return 1;  // the focus goes to the first tab stop, OK
    case WM_COMMAND: dialog_events->command(LOWORD(wparam)); return 1;
    default: return 0;
  }
}

class DialogFrontEnd final : public FrontEnd {
 public:
  void show_progress_line(const char* text) override {
    SendDlgItemMessageA(dialog_window, IDC_CONTENTS_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    widen_contents_list(text);
    SetDlgItemTextA(dialog_window, IDC_STATUS, text);
    UpdateWindow(dialog_window);
  }
  void clear_progress_lines() override {
    SendDlgItemMessageA(dialog_window, IDC_CONTENTS_LIST, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(dialog_window, IDC_CONTENTS_LIST, LB_SETHORIZONTALEXTENT, 0, 0);
  }
  void set_status(const char* text) override { SetDlgItemTextA(dialog_window, IDC_STATUS, text); }
  bool ask_yes_no(const char* text, const char* caption) override {
    // No owner: the dialog stays usable, so Cancel works while the box is open.
    return MessageBoxA(nullptr, text, caption, MB_YESNO) == IDYES;
  }
  void show_message(BoxOwner owner, const char* text, const char* caption) override {
    MessageBoxA(owner == BoxOwner::kDialog ? dialog_window : nullptr, text, caption, MB_OK);
  }
  void pass_progress(uint32_t done, uint32_t total) override {
    const DWORD now = GetTickCount();
    if (done < total && now - last_pump_tick_ < kPumpIntervalMs) return;
    last_pump_tick_ = now;
    // In percent, the bar's own range, by 32-bit arithmetic that cannot overflow.
    const WPARAM percent = done < total ? done / (total / 100 + 1) : 100;
    SendDlgItemMessageA(dialog_window, IDC_PROGRESS, PBM_SETPOS, percent, 0);
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

// Window texts go through WM_SETTEXT and WM_GETTEXT themselves: each USER32
// function fewer is an import fewer in a stub that must stay small.
void set_dialog_caption(const char* text) {
  SendMessageA(dialog_window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void set_new_dir_name(const char* text) { SetDlgItemTextA(dialog_window, IDC_NEW_DIR_NAME, text); }

void read_new_dir_name(char* out, size_t capacity) {
  SendDlgItemMessageA(dialog_window, IDC_NEW_DIR_NAME, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(out));
}

void center_dialog() {
  RECT r;
  GetWindowRect(dialog_window, &r);
  int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 3;
  SetWindowPos(dialog_window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void fill_dir_list(char* dir_spec) {
  DlgDirListA(dialog_window, dir_spec, IDC_DIR_LIST, IDC_TARGET_PATH, kDirListTypes);
}

bool select_from_dir_list(char* dir_spec, size_t capacity) {
  return DlgDirSelectExA(dialog_window, dir_spec, static_cast<int>(capacity), IDC_DIR_LIST) != 0;
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

void run_main_dialog(DialogEvents& events, const char*) {
  dialog_events = &events;
  // The template's progress bar is a common control.
  const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(DLG_MAIN), nullptr, main_dialog_proc, 0);
  PostQuitMessage(0);
}

}  // namespace platform
