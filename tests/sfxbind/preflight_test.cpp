// The preflight over whole archives: what the self-extractor does with each
// entry's local header as rewritten, and what the rewrite leaves out.
#include "sfxbind/checks/preflight.h"

#include <gtest/gtest.h>

#include "tests/sfxbind/bind_test_support.h"

using namespace sfxbind;

namespace {

// Each finding as "refused NAME: reason" or "warning NAME: reason".
std::vector<std::string> preflight_of(const std::string& archive, StubKind stub = StubKind::kWindows) {
  Bytes bytes = to_bytes(archive);
  MemorySource source(bytes);
  ZipLayout layout = read_zip_layout(source);
  std::vector<std::string> texts;
  for (const Finding& f : preflight(layout, plan_rewrite(source, layout), stub))
    texts.push_back((f.severity == Severity::kRefusal ? "refused " : "warning ") + f.entry + ": " + f.reason);
  return texts;
}

using Texts = std::vector<std::string>;

// A small stored-looking entry named after its method, "m12" for method 12.
ZipEntry method_entry(uint16_t method) {
  std::string name = "m";
  name += std::to_string(method);
  ZipEntry e = stored_entry(name, "data");
  e.method = method;
  return e;
}

ZipEntry with(ZipEntry e, uint16_t method, uint16_t flags) {
  e.method = method;
  e.flags = flags;
  return e;
}

const std::string kAsks =
    " is not supported: the self-extractor asks \"Unable To Extract The Above Component Continue?\" and "
    "leaves an empty file: ";
const std::string kUnsupported = kAsks + "re-create the archive with deflate";
const std::string kRecompressible = kAsks + "give --recompress to write it again with the bind's method";

}  // namespace

TEST(Preflight, EveryMethodTheSelfExtractorDecodesPasses) {
  ZipBuilder b;
  for (uint16_t method : {0, 1, 2, 3, 4, 5, 6, 8, 9, 14}) b.add(method_entry(method));
  EXPECT_EQ(preflight_of(b.bytes()), Texts{});
}

TEST(Preflight, OtherMethodsAreRefusedByNumberAndName) {
  ZipBuilder b;
  for (uint16_t method : {7, 10, 12, 20, 93, 95, 98, 99, 300}) b.add(method_entry(method));
  b.add(with(directory_entry("d/"), 12, 0));  // directories are only created, whatever their method
  EXPECT_EQ(preflight_of(b.bytes()), (Texts{"refused m7: method 7 (tokenized)" + kUnsupported,
                                            "refused m10: method 10 (library implode)" + kUnsupported,
                                            "refused m12: method 12 (BZip2)" + kRecompressible,
                                            "refused m20: method 20 (Zstandard)" + kRecompressible,
                                            "refused m93: method 93 (Zstandard)" + kRecompressible,
                                            "refused m95: method 95 (XZ)" + kRecompressible,
                                            "refused m98: method 98 (PPMd)" + kUnsupported,
                                            "refused m99: method 99 (AES encryption)" + kUnsupported,
                                            "refused m300: method 300" + kUnsupported}));
}

TEST(Preflight, EncryptedEntriesIncludingDirectories) {
  std::string archive = ZipBuilder()
                            .add(with(stored_entry("secret.txt", "xxxx"), 8, kFlagEncrypted))
                            .add(with(directory_entry("locked/"), 0, kFlagEncrypted))
                            .bytes();
  const std::string why =
      ": encrypted: the self-extractor cannot decrypt it; it asks \"Encrypted File Continue?\" and skips "
      "it: re-create the archive without encryption";
  EXPECT_EQ(preflight_of(archive), (Texts{"refused secret.txt" + why, "refused locked/" + why}));
}

TEST(Preflight, DataDescriptorsAreRewrittenAway) {
  // The sizes go into the local headers and bit 3 is cleared, so nothing stops the run.
  std::string sized = ZipBuilder()
                          .add(with(stored_entry("stored.txt", "abcd"), 0, kFlagDataDescriptor))
                          .add(with(stored_entry("shrunk.txt", "abcd"), 1, kFlagDataDescriptor))
                          .add(with(stored_entry("deflated.txt", "abcd"), 8, kFlagDataDescriptor))
                          .bytes();
  EXPECT_EQ(preflight_of(sized), Texts{});
  ZipEntry streamed = with(stored_entry("streamed.txt", ""), 0, kFlagDataDescriptor);
  ZipEntry empty_plain = stored_entry("empty.txt", "");
  EXPECT_EQ(preflight_of(ZipBuilder().add(streamed).add(empty_plain).bytes()), Texts{});
}

TEST(Preflight, Zip64SizesInALocalHeader) {
  // The self-extractor reads sizes of 4 GiB or more from the ZIP64 field the rewrite fills in.
  ZipEntry e = stored_entry("big.bin", "data");
  e.size_override = true;
  e.uncompressed_size = 0xFFFFFFFF;
  e.extra = std::string("\x01\x00\x08\x00\xFF\xFF\xFF\xFF\x00\x00\x00\x00", 12);
  Bytes bytes = to_bytes(ZipBuilder().add(e).bytes());
  MemorySource source(bytes);
  ZipLayout layout = read_zip_layout(source);
  RewritePlan plan = plan_rewrite(source, layout);
  EXPECT_EQ(preflight(layout, plan, StubKind::kWindows).size(), 0u);
  EXPECT_EQ(record_at<LocalHeader>(plan.entries[0].local.data()).compressed_size(), kZip64Marker);
  EXPECT_EQ(plan.entries[0].local.size(), 30u + 7 + 20);
}

TEST(Preflight, NamesAreCheckedForTheStubsSystem) {
  std::string archive =
      ZipBuilder().add(stored_entry("dir/con.txt", "x")).add(stored_entry("../up.txt", "y")).bytes();
  Texts windows = preflight_of(archive, StubKind::kWindows);
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].rfind("refused dir/con.txt: \"con.txt\" is a Windows device name", 0), 0u);
  EXPECT_EQ(windows[1].rfind("warning ../up.txt: name leads outside the target directory", 0), 0u);
  EXPECT_EQ(preflight_of(archive, StubKind::kLinux), Texts{windows[1]});
}

TEST(Preflight, EntriesOffTheSequentialWalkAreBroughtOnIt) {
  // A gap of 2 bytes puts the second header off the 4-byte steps.
  std::string first = ZipBuilder().add(stored_entry("a.txt", "0123")).bytes();
  std::string local_a = first.substr(0, 30 + 5 + 4);
  std::string second = ZipBuilder().add(stored_entry("b.txt", "data")).bytes();
  std::string local_b = second.substr(0, 30 + 5 + 4);
  std::string body = local_a + "--" + local_b;
  std::string central =
      ZipBuilder().add(stored_entry("a.txt", "0123")).add(stored_entry("b.txt", "data")).bytes();
  central = central.substr(2 * (30 + 5 + 4));
  // The second central header's offset must name where b.txt really is.
  size_t b_offset_field = 46 + 5 + 42;
  central[b_offset_field] = static_cast<char>(local_a.size() + 2);
  uint32_t cd_offset = static_cast<uint32_t>(body.size());
  central.replace(central.size() - 6, 4, std::string(reinterpret_cast<const char*>(&cd_offset), 4));
  EXPECT_EQ(preflight_of(body + central), Texts{});
  std::string bound = rewritten(body + central);
  EXPECT_EQ(bound.substr(local_a.size(), local_b.size()), local_b);  // the gap is gone
  // A 4-byte gap, which the walk steps over, goes as well.
  std::string aligned = local_a + "----" + local_b;
  central[b_offset_field] = static_cast<char>(local_a.size() + 4);
  cd_offset = static_cast<uint32_t>(aligned.size());
  central.replace(central.size() - 6, 4, std::string(reinterpret_cast<const char*>(&cd_offset), 4));
  EXPECT_EQ(preflight_of(aligned + central), Texts{});
}

TEST(Preflight, LocalHeadersTheCentralDirectoryDoesNotList) {
  // An entry left behind by an update in place: still on the walk, no longer listed.
  std::string stale = ZipBuilder().add(stored_entry("old.txt", "gone")).bytes().substr(0, 30 + 7 + 4);
  std::string current = ZipBuilder().add(stored_entry("new.txt", "kept")).bytes();
  EXPECT_EQ(
      preflight_of(stale + current),
      Texts{"warning old.txt: local header at offset 0 that the central directory does not list: not carried "
            "over"});
}

TEST(Preflight, ArchiveWideWarnings) {
  EXPECT_EQ(preflight_of(ZipBuilder().bytes()),
            Texts{"warning : the archive holds no entries: the self-extractor will extract nothing"});
}
