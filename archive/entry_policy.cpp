#include "archive/entry_policy.h"

EntryAction entry_action(const LocalHeader& header, const EntrySizes& sizes, const EntryName& name) {
  const bool descriptor = header.flags() & kFlagDataDescriptor;
  if (header.flags() & kFlagEncrypted) return EntryAction::kAskEncrypted;
  if (name.unusable) return EntryAction::kAskUnusableName;         // nothing may be written under such a name
  if (name.full_name[0] == '\0') return EntryAction::kSkipTarget;  // a directory naming the target itself
  if (is_directory_entry(name)) return EntryAction::kMakeDirectory;
  if (descriptor && sizes.compressed == 0) return EntryAction::kStopDataDescriptor;
  if (!method_supported(header.method())) return EntryAction::kAskUnsupportedMethod;
  if (descriptor && (header.method() == 8 || header.method() == 9)) return EntryAction::kStopDataDescriptor;
  return EntryAction::kExtractFile;
}
