// The corpus's manifest (tests/corpus/): what every archive and entry must end as.
#pragma once
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/test_paths.h"

using Json = nlohmann::json;

// Throws, naming the file, where the manifest cannot be read.
const Json& corpus_manifest();
// Archive file names, for parameterised tests ("manifest.json" alone where
// the manifest cannot be read: that test then fails with the reason).
std::vector<std::string> corpus_archive_names();
const Json& corpus_archive(const std::string& file);
// The bytes an extracted entry must hold, by its `expected` record:
// false when the manifest gives only a digest (then compare sha256).
bool expected_bytes(const Json& entry, std::string& bytes);
std::string expected_sha256(const Json& entry);
std::string hex_to_bytes(const std::string& hex);
// DOS date and time to "YYYY-MM-DDTHH:MM:SS".
std::string dos_datetime_text(uint16_t date, uint16_t time);
