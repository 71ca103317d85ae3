// The end-to-end peer of the benchmark: a minimal ZIP extractor built on
// libdeflate. It maps the archive, follows the central directory, and for
// each entry decompresses the whole entry in one call, checks its CRC-32 and
// writes the file (directories are made as names need them). No dates, no
// questions, no name checks: the floor that a decoder of whole entries sets.
//   sfx_bench_libdeflate ZIP   extracts into the current folder; status 1 on any fault
#include <fcntl.h>
#include <libdeflate.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

uint32_t le16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

int fail(const char* what, const std::string& name = "") {
  std::fprintf(stderr, "sfx_bench_libdeflate: %s %s\n", what, name.c_str());
  return 1;
}

// Makes every folder of `path` up to its last slash (all of it when it ends in one).
bool make_parents(const std::string& path) {
  for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
    if (mkdir(path.substr(0, slash).c_str(), 0755) != 0 && errno != EEXIST) return false;
  return true;
}

bool write_whole(const std::string& name, const uint8_t* data, size_t size) {
  int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = write(fd, data, size) == static_cast<ssize_t>(size);
  return close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return fail("usage: sfx_bench_libdeflate ZIP");
  int fd = open(argv[1], O_RDONLY);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0 || st.st_size < 22) return fail("cannot read", argv[1]);
  const size_t size = static_cast<size_t>(st.st_size);
  auto* zip = static_cast<const uint8_t*>(mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
  if (zip == MAP_FAILED) return fail("cannot map", argv[1]);

  size_t end = size - 22;
  while (le32(zip + end) != 0x06054B50)
    if (end-- == 0) return fail("no end record in", argv[1]);
  uint32_t count = le16(zip + end + 10);
  size_t at = le32(zip + end + 16);

  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  std::vector<uint8_t> out;
  for (uint32_t i = 0; i < count; ++i) {
    if (at + 46 > size || le32(zip + at) != 0x02014B50) return fail("bad central directory");
    const uint8_t* c = zip + at;
    const uint32_t method = le16(c + 10), crc = le32(c + 16), packed = le32(c + 20), unpacked = le32(c + 24);
    const uint32_t name_length = le16(c + 28);
    const std::string name(reinterpret_cast<const char*>(c + 46), name_length);
    at += 46 + name_length + le16(c + 30) + le16(c + 32);
    const uint8_t* local = zip + le32(c + 42);
    const uint8_t* data = local + 30 + le16(local + 26) + le16(local + 28);
    if (data + packed > zip + size) return fail("entry beyond the file:", name);
    if (!make_parents(name)) return fail("cannot make the folders of", name);
    if (name.back() == '/') continue;

    const uint8_t* content = data;
    if (method == 8) {
      out.resize(unpacked);
      size_t produced = 0;
      if (libdeflate_deflate_decompress(decompressor, data, packed, out.data(), unpacked, &produced) !=
              LIBDEFLATE_SUCCESS ||
          produced != unpacked)
        return fail("bad deflate data in", name);
      content = out.data();
    } else if (method != 0 || packed != unpacked) {
      return fail("unsupported method in", name);
    }
    if (libdeflate_crc32(0, content, unpacked) != crc) return fail("CRC error in", name);
    if (!write_whole(name, content, unpacked)) return fail("cannot write", name);
  }
  libdeflate_free_decompressor(decompressor);
  return 0;
}
