// What the self-extractor will do with the entries of a file: found by its
// own sequential walk and decided by its own entry policy, so the tool's
// predictions cannot drift from the stub.
#pragma once
#include <string>
#include <vector>

#include "archive/entry_policy.h"

namespace sfxbind {

struct WalkedEntry {
  std::string name;  // as the self-extractor shows it
  EntryAction action;
};

// Every local header the walk reaches, in walking order. Throws BindError
// "cannot read PATH" when the file cannot be opened.
std::vector<WalkedEntry> walk_as_stub(const std::string& path);

}  // namespace sfxbind
