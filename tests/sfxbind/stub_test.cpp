// The stub in front of the archive: padding, and the record signatures the
// self-extractor's walk would misread.
#include <gtest/gtest.h>

#include "sfxbind/output/binding.h"
#include "tests/sfxbind/bind_test_support.h"

using namespace sfxbind;

TEST(PaddedStub, ZeroBytesUpToAMultipleOfFour) {
  for (size_t length = 1; length <= 8; ++length) {
    std::string stub(length, 's');
    Bytes padded = padded_stub(to_bytes(stub));
    EXPECT_EQ(padded.size(), (length + 3) / 4 * 4);
    EXPECT_EQ(to_text(padded), stub + std::string(padded.size() - length, '\0'));
  }
  EXPECT_THROW(padded_stub({}), BindError);
}

TEST(PaddedStub, ARecordSignatureAtAnAlignedOffsetIsRefused) {
  for (const char* signature : {"PK\x03\x04", "PK\x01\x02", "PK\x05\x06"}) {
    for (size_t at = 0; at <= 12; ++at) {
      std::string stub = std::string(at, 'm') + signature + "tail";
      if (at % 4 == 0) {
        try {
          padded_stub(to_bytes(stub));
          ADD_FAILURE() << "accepted a signature at " << at;
        } catch (const BindError& e) {
          EXPECT_EQ(std::string(e.what()),
                    "the stub holds a ZIP record signature at offset " + std::to_string(at) +
                        ", where the self-extractor's walk would take it for a record");
        }
      } else {
        EXPECT_NO_THROW(padded_stub(to_bytes(stub))) << at;
      }
    }
  }
  // Other "PK" groups (a data descriptor's) are stepped over by the walk.
  EXPECT_NO_THROW(padded_stub(to_bytes(std::string("PK\x07\x08") + "PK\x06\x06")));
  // A signature cut off by the end of the stub cannot be completed by the padding.
  EXPECT_NO_THROW(padded_stub(to_bytes("abcdPK\x05")));
}

TEST(StubKind, WindowsProgramsBeginWithMz) {
  EXPECT_EQ(stub_kind(to_bytes("MZ\x90")), StubKind::kWindows);
  EXPECT_EQ(stub_kind(to_bytes("\x7f"
                               "ELF")),
            StubKind::kLinux);
  EXPECT_EQ(stub_kind(to_bytes("M")), StubKind::kLinux);
}
