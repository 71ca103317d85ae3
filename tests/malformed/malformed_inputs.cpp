#include "tests/malformed/malformed_inputs.h"

#include "tests/support/zip_builder.h"

std::string built_archive() {
  ZipEntry unsupported = stored_entry("tokens.dat", "");
  unsupported.method = 7;
  unsupported.data = "\x01\x02\x03\x04\x05";
  ZipEntry encrypted = stored_entry("secret.txt", "0123456789ab");
  encrypted.flags = 1;
  // Deflate data made of one final stored block.
  std::string text = "kept in a stored deflate block";
  ZipEntry deflated = stored_entry("docs/deflated.txt", text);
  deflated.method = 8;
  deflated.data = std::string("\x01", 1);
  put16(deflated.data, static_cast<uint16_t>(text.size()));
  put16(deflated.data, static_cast<uint16_t>(~text.size()));
  deflated.data += text;
  ZipEntry with_extra = stored_entry("extra.txt", "an entry with an extra field");
  with_extra.extra = std::string("\x55\x54\x05\x00\x01\x00\x00\x00\x00", 9);
  return ZipBuilder()
      .add(stored_entry("first.txt", "the first entry"))
      .add(directory_entry("docs/"))
      .add(deflated)
      .add(unsupported)
      .add(encrypted)
      .add(stored_entry("empty.txt", ""))
      .add(with_extra)
      .add(stored_entry("docs/last.txt", std::string(3000, 'z')))
      .bytes();
}

const std::vector<std::string>& hostile_names() {
  static const std::vector<std::string> names = {"../evil.txt",
                                                 "../../evil.txt",
                                                 "../../../../../../../../tmp/evil.txt",
                                                 "/evil.txt",
                                                 "//evil.txt",
                                                 "\\evil.txt",
                                                 "..\\..\\evil.txt",
                                                 "C:evil.txt",
                                                 "C:\\evil.txt",
                                                 "C:/evil.txt",
                                                 "C:../evil.txt",
                                                 "a/../../evil.txt",
                                                 "a/./../b/../../evil.txt",
                                                 "./../evil.txt",
                                                 ".",
                                                 "..",
                                                 "...",
                                                 "",
                                                 "/",
                                                 "\\",
                                                 "./",
                                                 "a//b.txt",
                                                 "a\\\\b.txt",
                                                 "CON",
                                                 "nul.txt",
                                                 "COM1",
                                                 "a:b.txt",
                                                 std::string(258, 'n'),
                                                 std::string(259, 'n'),
                                                 std::string(260, 'n'),
                                                 std::string(1000, 'n'),
                                                 std::string(0xFFFF, 'n'),
                                                 [] {
                                                   std::string deep;
                                                   for (int i = 0; i < 150; ++i) deep += "d/";
                                                   return deep + "deep.txt";
                                                 }(),
                                                 std::string("a\0b.txt", 7),
                                                 "\x01\x02\x7F.txt",
                                                 "\xFC\xE9.txt",
                                                 " ",
                                                 "trailing. ",
                                                 "program.bin",
                                                 "../program.bin",
                                                 "../inner/../program.bin",
                                                 "before.txt"};
  return names;
}
