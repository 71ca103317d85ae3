#include "sfxbind/output/folder_archive.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <optional>
#include <system_error>

#include "sfxbind/files/native_path.h"
#include "sfxbind/input/zip_layout.h"
#include "sfxbind/output/entry_encryption.h"
#include "sfxbind/output/zip64_records.h"

namespace sfxbind {

namespace fs = std::filesystem;

namespace {

constexpr uint16_t kFlagUtf8Name = 0x0800;
constexpr uint16_t kMadeByUnix = 3 << 8 | 20;
constexpr uint16_t kNeedsAes = 51;
constexpr uint32_t kUnixFile = 0100000, kUnixDirectory = 0040000, kDosDirectory = 0x10;

[[noreturn]] void cannot_read(const fs::path& path, const std::string& why) {
  throw BindError("cannot read " + utf8_path(path) + ": " + why);
}

// The modification time as every ZIP reader takes a DOS date and time, local
// time: even seconds, rounded down; times outside 1980-2107 are clamped. The
// exact time goes into the extended timestamp beside it.
void set_times(FolderEntry& e, fs::file_time_type written) {
  auto system = std::chrono::file_clock::to_sys(written);
  std::time_t t = std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(system));
  e.unix_time = t;
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  if (tm.tm_year < 80) {
    e.dos_date = 1 << 5 | 1;  // 1980-01-01 00:00:00
    return;
  }
  if (tm.tm_year > 207) {
    e.dos_date = 127 << 9 | 12 << 5 | 31;  // 2107-12-31 23:59:58
    e.dos_time = 23 << 11 | 59 << 5 | 29;
    return;
  }
  e.dos_date = static_cast<uint16_t>((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
  e.dos_time = static_cast<uint16_t>(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
}

class FolderWalk {
 public:
  FolderWalk(bool follow_links, FolderPlan& plan) : follow_links_(follow_links), plan_(plan) {}

  void visit(const fs::path& dir, const std::string& prefix) {
    std::error_code error;
    fs::path canonical = fs::canonical(dir, error);
    if (follow_links_ && std::find(ancestors_.begin(), ancestors_.end(), canonical) != ancestors_.end()) {
      plan_.refusals.push_back(
          {Severity::kRefusal, prefix, "a symbolic link leads back into a folder above it: remove the link"});
      plan_.entries.pop_back();
      return;
    }
    ancestors_.push_back(canonical);
    fs::directory_iterator it(dir, error);
    if (error) cannot_read(dir, error.message());
    for (; it != fs::directory_iterator(); it.increment(error)) {
      if (error) cannot_read(dir, error.message());
      add(*it, prefix + utf8_path(it->path().filename()));
    }
    if (error) cannot_read(dir, error.message());
    ancestors_.pop_back();
  }

 private:
  void refuse(const std::string& name, const std::string& reason) {
    plan_.refusals.push_back({Severity::kRefusal, name, reason});
  }

  void add(const fs::directory_entry& item, const std::string& name) {
    std::error_code error;
    fs::file_status status = item.symlink_status(error);
    if (error) cannot_read(item.path(), error.message());
    if (fs::is_symlink(status)) {
      if (!follow_links_)
        return refuse(name,
                      "a symbolic link, which the archive cannot hold: replace it by what it points to, "
                      "or give --follow-links to store that");
      status = item.status(error);
      if (!fs::exists(status)) return refuse(name, "a symbolic link to nothing: remove it");
    }
    if (!fs::is_directory(status) && !fs::is_regular_file(status))
      return refuse(name,
                    "neither a file nor a directory (a device, pipe or socket): remove it from the folder");
    FolderEntry e;
    e.path = item.path();
    e.directory = fs::is_directory(status);
    e.name = e.directory ? name + "/" : name;
    e.permissions = static_cast<uint32_t>(status.permissions()) & 0777;
    fs::file_time_type written = fs::last_write_time(e.path, error);
    if (!error && !e.directory) e.size = fs::file_size(e.path, error);
    if (error) cannot_read(e.path, error.message());
    set_times(e, written);
    plan_.entries.push_back(e);
    if (e.directory) visit(e.path, e.name);
  }

  bool follow_links_;
  FolderPlan& plan_;
  std::vector<fs::path> ancestors_;
};

uint16_t name_flags(const std::string& name) {
  bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
  return ascii ? 0 : kFlagUtf8Name;
}

struct Written {
  Encoded encoded;           // the method under the encryption, if any
  uint32_t crc;              // 0 for AE-2
  uint16_t aes_version = 0;  // 0: not encrypted
};

// The 0x9901 field of an encrypted entry; nothing for the others.
Bytes aes_field(const Written& w) {
  return w.aes_version != 0 ? aes_extra_field(w.aes_version, w.encoded.method) : Bytes{};
}

// The extended timestamp block with the modification time alone, as local
// and central headers both carry it; none for a time its unsigned 32-bit
// seconds cannot hold.
Bytes extended_timestamp(const FolderEntry& e) {
  if (e.unix_time < 0 || e.unix_time > 0xFFFFFFFF) return {};
  Bytes block(9);
  write_le16(&block[0], kExtendedTimestampExtraId);
  write_le16(&block[2], 5);
  block[4] = 1;  // the modification time follows
  write_le32(&block[5], static_cast<uint32_t>(e.unix_time));
  return block;
}

// A header of `size` bytes before the name, the name, and as its extra field
// the entry's extended timestamp followed by `more`.
Bytes header_with_name(const FolderEntry& e, size_t size, unsigned extra_length_field, const Bytes& more) {
  Bytes h(size);
  h.insert(h.end(), e.name.begin(), e.name.end());
  Bytes extra = extended_timestamp(e);
  extra.insert(extra.end(), more.begin(), more.end());
  h.insert(h.end(), extra.begin(), extra.end());
  write_le16(&h[extra_length_field], static_cast<uint16_t>(extra.size()));
  return h;
}

// Its extra field holds the ZIP64 sizes of a file of 4 GiB or more, which
// deflates to less: the header keeps its length once the data is written.
Bytes local_header(const FolderEntry& e, const Written& w) {
  const bool aes = w.aes_version != 0;
  Bytes h = header_with_name(e, kLocalHeaderSize, local_field::kExtraLength, aes_field(w));
  write_le32(&h[0], 0x04034B50);
  write_le16(&h[local_field::kVersionNeeded], needs_zip64(e.size) ? kZip64Version : 0);
  write_le16(&h[local_field::kFlags], name_flags(e.name));
  set_method_fields(h, local_field::kVersionNeeded, w.encoded);
  if (aes) {
    write_le16(&h[local_field::kVersionNeeded], kNeedsAes);
    write_le16(&h[local_field::kFlags],
               static_cast<uint16_t>(read_le16(&h[local_field::kFlags]) | kFlagEncrypted));
    write_le16(&h[local_field::kMethod], kAesMethod);
  }
  write_le16(&h[local_field::kModTime], e.dos_time);
  write_le16(&h[local_field::kModDate], e.dos_date);
  write_le32(&h[local_field::kCrc32], w.crc);
  write_le16(&h[local_field::kNameLength], name_length_field(e.name.size(), e.name));
  set_local_sizes(h, w.encoded.compressed, e.size);
  return h;
}

// The central header repeats the local one's fields (and AES field), adds
// where it is and the entry's type and permissions.
Bytes central_header(const FolderEntry& e, const Bytes& local, const Written& w, uint64_t offset) {
  Bytes h = header_with_name(e, kCentralHeaderSize, central_field::kExtraLength, aes_field(w));
  write_le32(&h[0], 0x02014B50);
  write_le16(&h[central_field::kVersionMadeBy], kMadeByUnix);
  std::copy(local.begin() + 4, local.begin() + 28, h.begin() + 6);  // version needed .. name length
  uint32_t type = e.directory ? kUnixDirectory : kUnixFile;
  write_le32(&h[central_field::kExternalAttributes],
             (type | e.permissions) << 16 | (e.directory ? kDosDirectory : 0));
  set_central_offset(h, offset, w.encoded.compressed, e.size);
  return h;
}

class FileReader {
 public:
  FileReader(const FolderEntry& e, Bytes& buffer, Progress* progress)
      : entry_(e), in_(e.path, std::ios::binary), buffer_(buffer), progress_(progress) {
    if (!in_) cannot_read(e.path, "cannot open it");
  }
  // The next chunk; empty at the end. Throws when the file changed size.
  std::span<const uint8_t> next() {
    in_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(buffer_.size()));
    size_t n = static_cast<size_t>(in_.gcount());
    if (in_.bad()) cannot_read(entry_.path, "read error");
    total_ += n;
    if (total_ > entry_.size || (n == 0 && total_ != entry_.size))
      throw BindError(utf8_path(entry_.path) + " changed while sfxbind read it: bind again");
    crc_ = static_cast<uint32_t>(crc32(crc_, buffer_.data(), static_cast<uInt>(n)));
    if (progress_) progress_->entry_part(total_);
    return {buffer_.data(), n};
  }
  uint32_t crc() const { return crc_; }

 private:
  const FolderEntry& entry_;
  std::ifstream in_;
  Bytes& buffer_;
  Progress* progress_;
  uint64_t total_ = 0;
  uint32_t crc_ = 0;
};

// Writes files into the output with the bind's method, or stored, and
// encrypted when a password is given; its buffers and encoder serve every
// file in turn.
class FileWriter {
 public:
  FileWriter(const Encoding& encoding, const std::string* password, Progress* progress)
      : encoder_(make_encoder(encoding)), progress_(progress) {
    if (password) aes_.emplace(*password);
  }

  Written write(const FolderEntry& e, AtomicOutput& out) {
    if (aes_) out.write(aes_->begin());
    const uint64_t data_at = out.position();
    std::optional<FileReader> reader;
    ChunkOpen open = [&]() -> ChunkPull {
      reader.emplace(e, input_, progress_);
      return [&reader] { return reader->next(); };
    };
    Written w{write_entry_data(encoder_.get(), open, e.size, out), reader->crc()};
    if (aes_) encrypt(e, data_at, w, out);
    return w;
  }

 private:
  // Encrypts the data where the encoder left it, so that every method (and
  // its fallback to storing) serves encrypted entries unchanged.
  void encrypt(const FolderEntry& e, uint64_t at, Written& w, AtomicOutput& out) {
    for (uint64_t done = 0; done < w.encoded.compressed;) {
      std::span<uint8_t> chunk(input_.data(), std::min<uint64_t>(input_.size(), w.encoded.compressed - done));
      out.read_back(at + done, chunk);
      aes_->encrypt(chunk);
      out.patch(at + done, chunk);
      done += chunk.size();
    }
    out.write(aes_->finish());
    w.encoded.compressed += kAesOverhead;
    w.aes_version = aes_version_for(e.size);
    if (w.aes_version == 2) w.crc = 0;  // AE-2: the authentication code alone
  }

  std::unique_ptr<EntryEncoder> encoder_;
  Progress* progress_;
  Bytes input_ = Bytes(kChunk);
  std::optional<EntryEncryption> aes_;
};

}  // namespace

FolderPlan plan_folder(const std::string& folder, bool follow_links) {
  FolderPlan plan;
  FolderWalk(follow_links, plan).visit(native_path(folder), "");
  std::sort(plan.entries.begin(), plan.entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  std::sort(plan.refusals.begin(), plan.refusals.end(),
            [](const Finding& a, const Finding& b) { return a.entry < b.entry; });
  return plan;
}

Bytes planned_local_header(const FolderEntry& e, const Encoding& encoding, bool encrypted) {
  Encoded planned = e.directory || e.size == 0 ? Encoded{} : planned_encoding(encoding);
  const bool aes = encrypted && !e.directory;
  planned.compressed = e.size + (aes ? kAesOverhead : 0);
  return local_header(e, {planned, 0, static_cast<uint16_t>(aes ? aes_version_for(e.size) : 0)});
}

void write_folder(const FolderPlan& plan, const Encoding& encoding, AtomicOutput& out, Progress* progress,
                  const std::string* password) {
  Bytes central;
  FileWriter files(encoding, password, progress);
  for (const FolderEntry& e : plan.entries) {
    uint64_t at = out.position();
    out.write(local_header(e, {{}, 0, static_cast<uint16_t>(password && !e.directory)}));
    Written written = e.directory ? Written{} : files.write(e, out);
    Bytes local = local_header(e, written);
    out.patch(at, local);
    Bytes c = central_header(e, local, written, at);
    central.insert(central.end(), c.begin(), c.end());
    if (progress) progress->entry_done(e.size);
  }
  uint64_t central_at = out.position();
  out.write(central);
  Bytes end(kEndRecordSize);
  write_le32(&end[0], 0x06054B50);
  out.write(end_records({plan.entries.size(), central.size(), central_at}, out.position(), std::move(end)));
}

}  // namespace sfxbind
