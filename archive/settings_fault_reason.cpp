// The reasons: only the binding tool shows them, so the stub's image leaves
// them out.
#include "archive/settings_block.h"

const char* settings_fault_reason(SettingsFault fault) {
  switch (fault) {
    case SettingsFault::kNone: return "";
    case SettingsFault::kVersion: return "its version byte is not one this stub reads";
    case SettingsFault::kFieldsLength: return "its length word is 0 or over 4096";
    case SettingsFault::kBeforeFile: return "its length word reaches before the file's first byte";
    case SettingsFault::kPadding: return "the padding after the fields is not zero";
    case SettingsFault::kField: return "a field is cut short, of an unknown tag, given twice or malformed";
    case SettingsFault::kText: return "a text is empty, too long, not UTF-8 or holds a control character";
    case SettingsFault::kTempWithoutRun: return "a temporary target without a program to run";
    case SettingsFault::kProgramPath:
      return "the program is not named by a relative path without empty levels";
    case SettingsFault::kProgramName: return "a level of the program's path";
  }
  return "";
}
