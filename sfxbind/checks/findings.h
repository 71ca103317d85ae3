// What the preflight tells the user about entries the self-extractor would
// not extract as expected, and what the binding changes on the way.
#pragma once
#include <string>
#include <vector>

namespace sfxbind {

// A refusal stops the binding unless it is forced; a warning or a note never does.
enum class Severity { kNote, kWarning, kRefusal };

struct Finding {
  Severity severity;
  std::string entry;  // empty for the archive as a whole
  std::string reason;
};

using Findings = std::vector<Finding>;

// The stub decides which names the target system can hold.
enum class StubKind { kWindows, kLinux };

}  // namespace sfxbind
