// The archives the malformed suite starts from and the names it tries, shared
// with the test that holds the binding tool's predictions against the stub.
#pragma once
#include <string>
#include <vector>

// An archive holding every kind of entry the pass treats differently.
std::string built_archive();

// Names that try to leave the target directory, or cannot be files at all.
const std::vector<std::string>& hostile_names();
