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
// "cannot read PATH" when the file cannot be opened, and kWalkStops followed
// by the stub's fatal message when the walk itself stops the run.
std::vector<WalkedEntry> walk_as_stub(const std::string& path);

inline constexpr const char* kWalkStops = "the self-extractor stops its walk: ";

}  // namespace sfxbind
