#include "sfxbind/cli/help_checks.h"

#include <vector>

#include "archive/entry_policy.h"
#include "archive/name_rules.h"
#include "sfxbind/checks/integrity_reasons.h"
#include "sfxbind/checks/name_checks.h"

namespace sfxbind {

namespace {

constexpr NameProblem kNameProblems[] = {
    NameProblem::kNothingLeft, NameProblem::kZeroByte,          NameProblem::kControlCharacter,
    NameProblem::kInvalidUtf8, NameProblem::kReservedCharacter, NameProblem::kTrailingDotOrBlank,
    NameProblem::kDeviceName,  NameProblem::kLevelTooLong,      NameProblem::kPathTooLong,
};

// Methods up to the highest ZIP method number in use.
constexpr uint16_t kHighestMethod = 99;

}  // namespace

std::string decoded_methods() {
  std::vector<std::string> runs;
  for (uint16_t m = 0; m <= kHighestMethod; ++m) {
    if (!method_supported(m)) continue;
    uint16_t last = m;
    while (last < kHighestMethod && method_supported(static_cast<uint16_t>(last + 1))) ++last;
    // Two neighbours read better as two numbers than as a range.
    if (last == m + 1) last = m;
    runs.push_back(last == m ? std::to_string(m) : std::to_string(m) + "-" + std::to_string(last));
    m = last;
  }
  std::string text;
  for (size_t i = 0; i < runs.size(); ++i)
    text += (i == 0 ? "" : i + 1 == runs.size() ? " and " : ", ") + runs[i];
  return text;
}

void print_checks(std::ostream& out) {
  out << "Before writing, every entry is checked as the self-extractor will see it.\n"
         "Refused (nothing is written unless --force is given), each with what to do:\n"
         "  - encrypted entries it cannot decrypt (an unknown cipher, or too short to\n"
         "    hold one), which it asks about, then skips\n"
         "  - methods other than "
      << decoded_methods()
      << " (it asks, then leaves an empty file); of a ZIP file's\n"
         "    entries, BZip2, Zstandard and XZ bind with --recompress\n"
         "  - names it asks about, then skips, by the rules of the stub's system (a\n"
         "    Windows stub's wherever sfxbind runs): a name or one of its levels that\n";
  for (NameProblem problem : kNameProblems) out << kReasonBullet << name_problem_reason(problem) << '\n';
  out << "  - names that meet where it writes them, compared after its own name rules\n"
         "    (\"./\" levels dropped, \"\\\" read as \"/\") as the target system compares\n"
         "    them: two entries of one name, a file whose name is a directory level of\n"
         "    another entry, and for a Windows stub names that differ only in case (as\n"
         "    Windows folds them, all of Unicode it folds): rename one of them\n"
         "  - in a folder: symbolic links (unless --follow-links) and special files\n"
         "    (left out under --force)\n"
         "The archive itself is checked too: every entry's two headers before\n"
         "writing, its data while it is written (in the same pass: zlib for stored\n"
         "and deflated data, the stub's own decoders for the other methods it\n"
         "decodes). Refused (unless --force is given; a fault in the data stops the\n"
         "binding at once) when:\n";
  for (const char* reason : integrity::kAll) out << kReasonBullet << reason << '\n';
  out << "--run PROGRAM must be a file of the archive as the stub finds it (an\n"
         "entry's \"./\" levels and \"\\\" read as it reads them, any case for a\n"
         "Windows stub), for a Linux stub a regular file with an execute bit in its\n"
         "Unix mode (status 2).\n"
         "Never written, even with --force (status 2): a Windows self-extractor of\n"
         "4 GiB or more (Windows does not start it); a name longer than 65,535 bytes\n"
         "(with the \"/\" that marks a directory), which no ZIP header holds. One over\n"
         "2 GiB is written with a warning.\n"
         "Warned about (bound anyway):\n"
         "  - names leading outside the target directory (absolute, drive letter, \"..\"\n"
         "    levels): the self-extractor keeps them inside\n"
         "  - names over "
      << kListingLineLimit << " characters (cut in the listing) or over " << kProgressLineLimit
      << "\n"
         "    (cut in the progress line as well)\n"
         "  - local headers the central directory does not list (not carried over)\n"
         "  - a ZIP64 end record; an archive without entries\n"
         "A stub holding a ZIP record signature at a 4-byte aligned offset is never\n"
         "used: the self-extractor's walk would take it for a record.\n";
}

}  // namespace sfxbind
