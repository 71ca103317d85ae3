// The Win32 stub's face: dialog template 200 run modally over USER32, the
// window services the archive logic reports through, and the message boxes.
#include <windows.h>

#include <cstdlib>

#include "platform/dialog_controls.h"
#include "resources/dlg32.h"

namespace {

// Set first thing when the dialog initialises; everything below works on it.
HWND dialog_window = nullptr;
DialogEvents* dialog_events = nullptr;

constexpr UINT kDirListTypes = DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY;

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
    SetDlgItemTextA(dialog_window, IDC_STATUS, text);
    UpdateWindow(dialog_window);
  }
  void clear_progress_lines() override {
    SendDlgItemMessageA(dialog_window, IDC_CONTENTS_LIST, LB_RESETCONTENT, 0, 0);
  }
  void set_status(const char* text) override { SetDlgItemTextA(dialog_window, IDC_STATUS, text); }
  bool ask_yes_no(const char* text, const char* caption) override {
    // No owner: the dialog stays usable, so Cancel works while the box is open.
    return MessageBoxA(nullptr, text, caption, MB_YESNO) == IDYES;
  }
  void show_message(BoxOwner owner, const char* text, const char* caption) override {
    MessageBoxA(owner == BoxOwner::kDialog ? dialog_window : nullptr, text, caption, MB_OK);
  }
  [[noreturn]] void end_process(int status) override {
    PostQuitMessage(0);
    std::exit(status);
  }
};

DialogFrontEnd front_end;

}  // namespace

namespace platform {

FrontEnd& stub_front_end() { return front_end; }

void set_dialog_caption(const char* text) { SetWindowTextA(dialog_window, text); }

void set_new_dir_name(const char* text) { SetDlgItemTextA(dialog_window, IDC_NEW_DIR_NAME, text); }

void read_new_dir_name(char* out, size_t capacity) {
  GetDlgItemTextA(dialog_window, IDC_NEW_DIR_NAME, out, static_cast<int>(capacity));
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
  static const int kPassCommands[] = {IDC_OK, IDC_MAKE, IDC_DIR_LIST};
  for (int id : kPassCommands) EnableWindow(GetDlgItem(dialog_window, id), enabled);
}

void end_dialog(int result) { EndDialog(dialog_window, result); }

void run_main_dialog(DialogEvents& events, const char*) {
  dialog_events = &events;
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(DLG_MAIN), nullptr, main_dialog_proc, 0);
  PostQuitMessage(0);
}

}  // namespace platform
