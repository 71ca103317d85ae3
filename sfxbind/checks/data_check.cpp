#include "sfxbind/checks/data_check.h"

#include <zlib.h>

#include <memory>

#include "archive/entry_cipher.h"
#include "archive/entry_policy.h"
#include "decoders/decoders.h"
#include "sfxbind/checks/integrity_reasons.h"
#include "sfxbind/checks/method_names.h"
#include "sfxbind/cli/entry_password.h"
#include "sfxbind/input/stub_code.h"

namespace sfxbind {

std::string crc_mismatch(uint32_t want, uint32_t got) {
  return std::string(integrity::kCrc) + " (" + integrity::hex(want, 8) + "; the data gives " +
         integrity::hex(got, 8) + ")";
}

std::string size_mismatch(uint64_t want, uint64_t got) {
  return std::string(integrity::kSize) + " (it decodes to " + std::to_string(got) +
         " bytes, its headers say " + std::to_string(want) + ")";
}

std::string does_not_decode(uint16_t method, const std::string& why) {
  return std::string(integrity::kDecode) + " (method " + method_label(method) + "): " + why;
}

namespace {

// CRC-32 and length of stored data, or of what deflated data inflates to.
class ZlibCheck {
 public:
  explicit ZlibCheck(bool deflated) : deflated_(deflated) {
    if (deflated_ && inflateInit2(&z_, -15) != Z_OK) throw BindError("zlib: out of memory");
  }
  ~ZlibCheck() {
    if (deflated_) inflateEnd(&z_);
  }
  ZlibCheck(const ZlibCheck&) = delete;
  ZlibCheck& operator=(const ZlibCheck&) = delete;

  void feed(std::span<const uint8_t> in) {
    if (!deflated_) return count(in);
    if (broken_ || (ended_ && !in.empty())) {
      trailing_ |= ended_;
      return;
    }
    z_.next_in = const_cast<Bytef*>(in.data());
    z_.avail_in = static_cast<uInt>(in.size());
    do {
      z_.next_out = out_.data();
      z_.avail_out = static_cast<uInt>(out_.size());
      int result = inflate(&z_, Z_NO_FLUSH);
      count({out_.data(), out_.size() - z_.avail_out});
      if (result == Z_STREAM_END) {
        ended_ = true;
      } else if (result == Z_BUF_ERROR) {
        break;  // no progress possible: all input taken
      } else if (result != Z_OK) {
        broken_ = true;
        return;
      }
    } while (!ended_ && (z_.avail_in > 0 || z_.avail_out == 0));
    trailing_ |= z_.avail_in > 0;
  }

  std::optional<std::string> finish(const CentralEntry& c) {
    if (deflated_ && broken_) return does_not_decode(8, "zlib finds it damaged");
    if (deflated_ && !ended_) return does_not_decode(8, "it ends before its last block");
    if (trailing_) return does_not_decode(8, "bytes it does not use follow it within its compressed size");
    if (crc_ != c.header().crc32()) return crc_mismatch(c.header().crc32(), crc_);
    if (length_ != c.uncompressed_size) return size_mismatch(c.uncompressed_size, length_);
    return std::nullopt;
  }

 private:
  void count(std::span<const uint8_t> bytes) {
    crc_ = static_cast<uint32_t>(crc32(crc_, bytes.data(), static_cast<uInt>(bytes.size())));
    length_ += bytes.size();
  }

  bool deflated_;
  z_stream z_{};
  Bytes out_ = Bytes(deflated_ ? kChunk : 0);
  uint32_t crc_ = 0;
  uint64_t length_ = 0;
  bool broken_ = false, ended_ = false, trailing_ = false;
};

EntryCipher cipher_of(const Bytes& local) {
  const LocalHeader& header = record_at<LocalHeader>(local.data());
  const size_t extra_at = std::min<size_t>(kLocalHeaderSize + header.name_length(), local.size());
  const size_t extra_length = std::min<size_t>(header.extra_length(), local.size() - extra_at);
  return read_entry_cipher(header, {reinterpret_cast<const char*>(local.data()) + extra_at, extra_length});
}

// The stub's decoders take their input from an archive stream: over the
// input file, or over a copy of the bytes of a source in memory.
bool open_stream(const ByteSource& in, ArchiveStream& s) {
  if (const std::string* path = in.path()) return open_archive_stream(s, path->c_str());
  close_archive_stream(s);
  s.size = in.size();
  s.buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(s.size) + 1));
  if (!s.buffer) return false;
  s.filled = static_cast<uint32_t>(in.read_into(0, s.buffer, static_cast<size_t>(s.size)));
  return true;
}

#ifdef _WIN32
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif

// The entry decoded as the stub decodes it, its output thrown away.
std::optional<std::string> decode_as_stub(const ByteSource& in, uint64_t data_at, const CentralEntry& c,
                                          const Bytes& local) {
  run_stub_code_silently();
  auto run = std::make_unique<RunState>();
  struct Release {
    RunState& run;
    ~Release() {
      release_decryption(run.decryption);
      close_archive_stream(run.archive);
      if (run.window.output != platform::kNoFile) platform::close_file(run.window.output);
      release_window(run.window);
    }
  } release{*run};
  if (!open_stream(in, run->archive)) throw BindError("cannot read the input again to decode its entries");
  run->window.output = platform::open_for_writing(kNullDevice);
  create_window(run->window);
  archive_seek(run->archive, data_at);
  const LocalHeader& stored = record_at<LocalHeader>(local.data());
  const EntryCipher& cipher = run->decryption.cipher = cipher_of(local);
  LocalHeader header = without_encryption(stored, cipher);
  uint64_t size = c.compressed_size;
  if (cipher.kind != CipherKind::kNone)
    if (std::optional<std::string> why = open_encrypted_data(*run, stored, size)) return why;
  run->entry_sizes = {size, c.uncompressed_size};
  reset_bit_input(run->bits, size);
  reset_window(run->window, ring_size_for(header.method()));
  try {
    decode_entry(*run, header);
    flush_window(run->window);
  } catch (const StubStopped& stop) {
    return does_not_decode(header.method(), "the self-extractor stops with \"" + stop.message + "\"");
  }
  if (compressed_unread(run->bits) != 0)
    return does_not_decode(header.method(), "it does not end where its compressed size says");
  if (cipher.kind != CipherKind::kNone && !finish_decryption(run->archive, run->decryption))
    return std::string(integrity::kCrc) + " (its authentication code does not match)";
  // AE-2 stores no CRC-32: the authentication code is its check.
  if (cipher.kind == CipherKind::kAes && cipher.aes_version == 2) return std::nullopt;
  uint32_t crc = entry_crc(run->window);
  if (crc != c.header().crc32()) return crc_mismatch(c.header().crc32(), crc);
  return std::nullopt;
}

}  // namespace

DataCheck data_check_for(const Bytes& local) {
  const LocalHeader& header = record_at<LocalHeader>(local.data());
  const EntryCipher cipher = cipher_of(local);
  if (cipher.kind != CipherKind::kNone)
    return entry_password() && (cipher.kind == CipherKind::kZipCrypto || cipher.kind == CipherKind::kAes) &&
                   method_supported(cipher.method)
               ? DataCheck::kStubDecoder
               : DataCheck::kNone;
  if (!method_supported(header.method())) return DataCheck::kNone;
  return header.method() == 0 || header.method() == 8 ? DataCheck::kZlib : DataCheck::kStubDecoder;
}

std::optional<std::string> stream_entry_data(const ByteSource& in, uint64_t data_at, const CentralEntry& c,
                                             const Bytes& local, const ChunkSink& sink) {
  const LocalHeader& header = record_at<LocalHeader>(local.data());
  DataCheck check = data_check_for(local);
  std::optional<ZlibCheck> zlib;
  if (check == DataCheck::kZlib) zlib.emplace(header.method() == 8);
  uint64_t size = c.compressed_size;
  Bytes chunk(static_cast<size_t>(std::min<uint64_t>(kChunk, size)));
  for (uint64_t at = data_at; size > 0;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), size));
    if (in.read_into(at, chunk.data(), n) != n) damaged("it ends inside the data of " + c.name);
    if (sink) sink({chunk.data(), n});
    if (zlib) zlib->feed({chunk.data(), n});
    at += n;
    size -= n;
  }
  if (zlib) return zlib->finish(c);
  if (check == DataCheck::kStubDecoder) return decode_as_stub(in, data_at, c, local);
  return std::nullopt;
}

}  // namespace sfxbind
