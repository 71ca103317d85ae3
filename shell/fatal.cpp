#include "shell/fatal.h"

#include <cstring>

#include "shell/process_state.h"
#include "shell/window_services.h"

int16_t cancel_requested = 0;

const char* exit_code_text(int16_t code) {
  switch (code) {
    case kErrorReadingSfxFile: return "Error Reading SFX File";
    case kOutOfMemory: return "Not enough memory";
    case kCompletedNormally: return "VEXORIN completed normally";
    case kStoppedAtRequest: return "Stopped at your request";
    case kOutputDirNotAvailable: return "Output directory not available";
    case kCannotCreateOutputDir: return "Unable to create output directory";
    case kErrorOpeningOutput: return "Error opening output file";
    case kErrorReadingData: return "Error reading SFX file";
    case kErrorWritingOutput: return "Error writing output file";
    case kDataIntegrityError: return "Data integrity error -- run stopped";
    case kFileTypeNotSupported: return "File type not supported";
    case kCrcError: return "CRC error -- SFX stopped";
    default: return "Unexplained Error";
  }
}

void fatal_exit(int16_t code) {
  show_message(BoxOwner::kNone, exit_code_text(code), window_caption);
  if (start_dir) change_drive_dir(start_dir);
  end_process(fatal_exit_status);
}

void confirm_cancel() {
  if (cancel_requested != 1) return;
  if (ask_yes_no("Are You Sure You Want To Cancel?", window_caption)) fatal_exit(kStoppedAtRequest);
  cancel_requested = 0;
}

void zero_fill(void* p, uint32_t n) { std::memset(p, 0, n); }

void* alloc_zeroed(uint32_t size) {
  void* p = std::calloc(size ? size : 1, 1);
  if (!p) fatal_exit(kOutOfMemory);
  return p;
}

void* alloc_zeroed16(uint32_t size) { return alloc_zeroed(size & 0xFFFFu); }
