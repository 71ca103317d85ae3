// The password of encrypted entries, for the binding pass and --verify: given
// by --password TEXT or --password-file FILE (its first line). With it every
// encrypted entry is decrypted and checked as the stub will do it; without
// it only their headers are checked.
#pragma once
#include <optional>
#include <string>

#include "archive/run_state.h"

namespace sfxbind {

void set_entry_password(std::optional<std::string> password);
const std::optional<std::string>& entry_password();

// Asks on the terminal, without echo, twice; throws BindError without a
// terminal or when the two differ.
std::string ask_new_password();

// The first line of FILE, without its line end. Throws BindError.
std::string read_password_file(const std::string& path);

// With the stream at an encrypted entry's data (`size` bytes, header
// included): reads its header, checks the password and starts decrypting;
// `size` becomes the data's. Returns why the entry cannot be opened.
std::optional<std::string> open_encrypted_data(RunState& run, const LocalHeader& header, uint64_t& size);

}  // namespace sfxbind
