#include "sfxbind/entry_password.h"

#include <fstream>

#include "sfxbind/byte_fields.h"

namespace sfxbind {

namespace {
std::optional<std::string> password;
}  // namespace

void set_entry_password(std::optional<std::string> given) { password = std::move(given); }

const std::optional<std::string>& entry_password() { return password; }

std::string read_password_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) throw BindError("cannot read a password from " + path);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.empty()) throw BindError(path + ": its first line, the password, is empty");
  return line;
}

std::optional<std::string> open_encrypted_data(RunState& run, const LocalHeader& header, uint64_t& size) {
  EntryDecryption& d = run.decryption;
  const unsigned header_size = cipher_header_size(d.cipher);
  if (archive_read(run.archive, d.header, header_size) != header_size)
    return "it ends inside its encryption header";
  const auto* text = reinterpret_cast<const uint8_t*>(password->data());
  if (!try_password(d, header, text, password->size())) return "the password given does not open it";
  size -= header_size + (d.cipher.kind == CipherKind::kAes ? kAesCodeSize : 0);
  start_decryption(run.archive, d, size);
  return std::nullopt;
}

}  // namespace sfxbind
