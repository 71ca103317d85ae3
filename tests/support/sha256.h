// SHA-256 (FIPS 180-4) for comparing extracted files with the corpus manifest.
#pragma once
#include <string>

std::string sha256_hex(const std::string& data);
