#include "base/exit_code.h"

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
    case kSettingsDamaged: return "Settings damaged -- SFX stopped";
    case kCannotRunProgram: return "Unable to start the program";
    default: return "Unexplained Error";
  }
}
