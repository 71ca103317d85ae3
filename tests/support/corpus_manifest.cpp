#include "tests/support/corpus_manifest.h"

#include <cstdio>
#include <fstream>

namespace {

// The manifest describes Deflate64 (method 9) as unsupported; the stub now
// decodes it: such an entry extracts to its content, with no question.
void expect_deflate64_decoded(Json& archive) {
  Json& questions = archive["expected_run"]["questions_if_all_answered_yes"];
  for (Json& e : archive["entries"]) {
    if (e["method"] != 9 || (e["flags"].get<int>() & 1) || e["expected"]["outcome"] == "not_reached")
      continue;
    e["expected"] = {{"outcome", "extracted"}, {"output", "content"}};
    for (auto q = questions.begin(); q != questions.end();)
      q = (*q)["entry"] == e["name"] ? questions.erase(q) : q + 1;
  }
}

}  // namespace

const Json& corpus_manifest() {
  static const Json manifest = [] {
    std::ifstream in(corpus_dir() / "manifest.json");
    Json m = Json::parse(in);
    for (Json& archive : m["archives"]) expect_deflate64_decoded(archive);
    return m;
  }();
  return manifest;
}

std::vector<std::string> corpus_archive_names() {
  std::vector<std::string> names;
  for (const Json& a : corpus_manifest()["archives"]) names.push_back(a["file"]);
  return names;
}

const Json& corpus_archive(const std::string& file) {
  for (const Json& a : corpus_manifest()["archives"])
    if (a["file"] == file) return a;
  throw std::runtime_error("not in the manifest: " + file);
}

std::string hex_to_bytes(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

bool expected_bytes(const Json& entry, std::string& bytes) {
  const Json& expected = entry["expected"];
  if (expected.value("output", "") == "content") {
    if (!entry.contains("content_hex")) return false;
    bytes = hex_to_bytes(entry["content_hex"]);
    return true;
  }
  if (expected.contains("output_hex")) {
    bytes = hex_to_bytes(expected["output_hex"]);
    return true;
  }
  if (expected.contains("output_size") && expected["output_size"] == 0) {
    bytes.clear();
    return true;
  }
  return false;
}

std::string expected_sha256(const Json& entry) {
  const Json& expected = entry["expected"];
  if (expected.value("output", "") == "content") return entry["sha256"];
  return expected.value("output_sha256", "");
}

std::string dos_datetime_text(uint16_t date, uint16_t time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", 1980 + (date >> 9), (date >> 5) & 15,
                date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2);
  return text;
}
