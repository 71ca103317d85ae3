#include "tests/support/corpus_manifest.h"

#include <cstdio>
#include <fstream>

const Json& corpus_manifest() {
  static const Json manifest = [] {
    const fs::path path = corpus_dir() / "manifest.json";
    std::ifstream in(path);
    if (!in) throw std::runtime_error("test input missing: " + path.string());
    return Json::parse(in);
  }();
  return manifest;
}

std::vector<std::string> corpus_archive_names() {
  std::vector<std::string> names;
  try {
    for (const Json& a : corpus_manifest()["archives"]) names.push_back(a["file"]);
  } catch (const std::exception&) {
    // Listed anyway, so that the run names the missing input instead of
    // aborting while it lists the tests.
    names = {"manifest.json"};
  }
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
