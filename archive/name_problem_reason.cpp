// The reasons, apart from the rules: only the binding tool shows them, so the
// stub's image leaves them out.
#include "archive/name_rules.h"

const char* name_problem_reason(NameProblem problem) {
  switch (problem) {
    case NameProblem::kNone: return "";
    case NameProblem::kNothingLeft: return "nothing is left of the name inside the target directory";
    case NameProblem::kZeroByte: return "holds a zero byte";
    case NameProblem::kControlCharacter: return "holds a control character";
    case NameProblem::kInvalidUtf8: return "is not valid UTF-8";
    case NameProblem::kReservedCharacter:
      return "holds a character Windows does not allow in names (: < > \" | ? *)";
    case NameProblem::kTrailingDotOrBlank: return "ends in a dot or a blank, which Windows drops";
    case NameProblem::kDeviceName: return "is a Windows device name";
    case NameProblem::kLevelTooLong:
      return "is longer than the system allows (255 UTF-16 units on Windows, 255 bytes on Linux)";
    case NameProblem::kPathTooLong:
      return "the path is too long for the system together with the target directory";
  }
  return "";
}
