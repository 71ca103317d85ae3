#include "sfxbind/cli/entry_password.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

#include "sfxbind/byte_fields.h"

namespace sfxbind {

namespace {
std::optional<std::string> password;
}  // namespace

void set_entry_password(std::optional<std::string> given) { password = std::move(given); }

const std::optional<std::string>& entry_password() { return password; }

namespace {

// One line from standard input, typed without echo.
std::string read_hidden(const char* prompt) {
  std::cerr << prompt << std::flush;
#ifdef _WIN32
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(in, &mode))
    throw BindError("no terminal to ask for the password: give --password-file");
  SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
#else
  termios saved{};
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0)
    throw BindError("no terminal to ask for the password: give --password-file");
  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
#endif
  std::string line;
  std::getline(std::cin, line);
#ifdef _WIN32
  SetConsoleMode(in, mode);
#else
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
#endif
  std::cerr << '\n';
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

std::string ask_new_password() {
  std::string password = read_hidden("Password: ");
  if (password.empty()) throw BindError("no password typed");
  if (read_hidden("Again: ") != password) throw BindError("the two passwords differ");
  return password;
}

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
