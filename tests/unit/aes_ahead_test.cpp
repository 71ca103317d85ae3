#include "archive/aes_ahead.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/crypto.h"
#include "tests/support/test_paths.h"

namespace {

std::string hex(const uint8_t* bytes, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) text += {digits[bytes[i] >> 4], digits[bytes[i] & 15]};
  return text;
}

const uint8_t* bytes(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// RFC 6070's vectors, then a password longer than SHA-1's block (hashed
// before it keys the code) and the AES-128 and AES-256 key lengths; the
// last two rows' values are Python's hashlib.pbkdf2_hmac.
struct Pbkdf2Row {
  std::string password, salt;
  unsigned iterations;
  const char* expected;
};
const Pbkdf2Row kPbkdf2Rows[] = {
    {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
    {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
    {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
    {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
     "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
    {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, "56fa6aa75548099dcc37d7f03425e0c3"},
    {std::string(100, 'k'), "0123456789abcdef", 1000,
     "40ee3fc7cdd1bc6801158f91db018cbcdc5f6561d82bbec1ce8d5928a674c9fc295a452b4cf90e91beb9954b20132229e394"
     "1846b1fc82a9413224783861ca24c3b4"},
    {"SECRET", "12345678", 1000, "5815b382905641c89cf0027f35d3e88cee6ec4e01af10d6c4d2e87345443859b73ee"},
};

TEST(Pbkdf2HmacSha1, GivesThePublishedKeys) {
  for (const Pbkdf2Row& row : kPbkdf2Rows) {
    uint8_t out[80];
    const unsigned size = static_cast<unsigned>(std::strlen(row.expected) / 2);
    ASSERT_TRUE(platform::pbkdf2_hmac_sha1(bytes(row.password), row.password.size(), bytes(row.salt),
                                           static_cast<unsigned>(row.salt.size()), row.iterations, out,
                                           size));
    EXPECT_EQ(hex(out, size), row.expected) << row.password.size() << "-byte password, " << row.iterations;
  }
}

const EntryCipher kAes256{CipherKind::kAes, 3, 2, 8};
const std::string kSalt = "0123456789abcdef", kPassword = "SECRET";

// A file of data to make codes of, and the codes made here at once.
class AesAheadFile : public testing::Test {
 protected:
  void SetUp() override {
    bytes_.resize(kCodeChunk * 2 + 1000);
    for (size_t i = 0; i < bytes_.size(); ++i) bytes_[i] = static_cast<char>(i * 7 + i / 251);
    write_file_bytes(temp_ / "data", bytes_);
    file_ = platform::open_for_reading((temp_ / "data").string().c_str());
  }
  void TearDown() override { platform::close_file(file_); }
  void start(AesAhead& ahead, const std::string& salt, AesData data) {
    start_aes_ahead(ahead, kAes256, bytes(salt), bytes(kPassword), kPassword.size(), file_, data);
  }
  AesAheadEntry* take(AesAhead& ahead, const std::string& salt, AesData data) {
    uint8_t keys[kAesKeysCapacity];
    AesAheadEntry* code_ahead = nullptr;
    EXPECT_TRUE(take_keys_ahead(ahead, kAes256, bytes(salt), bytes(kPassword), kPassword.size(), data, keys,
                                code_ahead));
    return code_ahead;
  }
  std::string expected_code(const std::string& salt, AesData data) {
    uint8_t keys[kAesKeysCapacity], code[platform::kSha1Size];
    EXPECT_TRUE(derive_aes_key_material(kAes256, bytes(salt), bytes(kPassword), kPassword.size(), keys));
    platform::CipherHandles mac{};
    EXPECT_TRUE(platform::hmac_sha1_begin(mac, keys + 32, 32));
    platform::hmac_sha1_add(mac, bytes(bytes_) + data.from, static_cast<uint32_t>(data.size));
    platform::hmac_sha1_finish(mac, code);
    return hex(code, sizeof code);
  }

  TempDir temp_;
  std::string bytes_;
  platform::FileHandle file_ = platform::kNoFile;
  const AesData data_{123, kCodeChunk + 5000};  // across the worker's reads
};

// What was made ahead is handed out only for the cipher, salt and password
// it was made for, and only once; the code only for the data it covers.
TEST_F(AesAheadFile, IsTakenOnlyForWhatItWasMadeFor) {
  const EntryCipher aes128{CipherKind::kAes, 1, 2, 8};
  const std::string other_salt = "0123456789abcdeF";
  struct Row {
    const char* what;
    const EntryCipher& cipher;
    const std::string& salt;
    std::string password;
    AesData data;
    bool taken, coded;
  };
  const Row rows[] = {
      {"the same", kAes256, kSalt, kPassword, data_, true, true},
      {"other data", kAes256, kSalt, kPassword, {124, kCodeChunk + 5000}, true, false},
      {"another salt", kAes256, other_salt, kPassword, data_, false, false},
      {"another password", kAes256, kSalt, "SECRET2", data_, false, false},
      {"a password it begins", kAes256, kSalt, "SECRE", data_, false, false},
      {"another key size", aes128, kSalt, kPassword, data_, false, false},
  };
  for (const Row& row : rows) {
    AesAhead ahead{};
    start(ahead, kSalt, data_);
    uint8_t keys[kAesKeysCapacity] = {}, derived[kAesKeysCapacity] = {}, code[platform::kSha1Size] = {};
    AesAheadEntry* code_ahead = nullptr;
    ASSERT_EQ(take_keys_ahead(ahead, row.cipher, bytes(row.salt), bytes(row.password), row.password.size(),
                              row.data, keys, code_ahead),
              row.taken)
        << row.what;
    EXPECT_EQ(code_ahead != nullptr, row.coded) << row.what;
    const bool coded = code_ahead && take_code_ahead(*code_ahead, code);
    end_aes_ahead(ahead);
    if (!row.taken) continue;
    ASSERT_TRUE(derive_aes_key_material(kAes256, bytes(kSalt), bytes(kPassword), kPassword.size(), derived));
    EXPECT_EQ(hex(keys, sizeof keys), hex(derived, sizeof derived));
    EXPECT_FALSE(take_keys_ahead(ahead, kAes256, bytes(kSalt), bytes(kPassword), kPassword.size(), data_,
                                 keys, code_ahead))
        << "taken twice";
    EXPECT_EQ(coded, row.coded) << row.what;
    if (coded) {
      EXPECT_EQ(hex(code, sizeof code), expected_code(kSalt, data_));
    }
  }
}

// The entry being decoded keeps its code while the next ones start and
// take the other places in turn.
TEST_F(AesAheadFile, AnEntryInUseKeepsItsCodeWhileMoreStart) {
  AesAhead ahead{};
  start(ahead, kSalt, data_);
  AesAheadEntry* in_use = take(ahead, kSalt, data_);
  ASSERT_NE(in_use, nullptr);
  for (char last : std::string("ABCDE")) start(ahead, kSalt.substr(0, 15) + last, {last * 10u, 4000});
  uint8_t code[platform::kSha1Size];
  ASSERT_TRUE(take_code_ahead(*in_use, code));
  EXPECT_EQ(hex(code, sizeof code), expected_code(kSalt, data_));
  EXPECT_NE(take(ahead, kSalt.substr(0, 15) + 'E', {'E' * 10u, 4000}), nullptr) << "the last one started";
  end_aes_ahead(ahead);
}

// Only entries queued and not yet taken whose data lies past a place count
// as ahead of it: the walk's own entry, and those it passed, do not.
TEST_F(AesAheadFile, CountsOnlyTheEntriesAheadNotYetTaken) {
  AesAhead ahead{};
  for (char last : std::string("ABC")) start(ahead, kSalt.substr(0, 15) + last, {last * 10u, 100});
  EXPECT_EQ(aes_entries_ahead(ahead, 0), 3u);
  EXPECT_EQ(aes_entries_ahead(ahead, 'B' * 10u), 1u) << "C alone lies past B";
  take(ahead, kSalt.substr(0, 15) + 'C', {'C' * 10u, 100});
  EXPECT_EQ(aes_entries_ahead(ahead, 0), 2u) << "C is taken";
  end_aes_ahead(ahead);
  EXPECT_EQ(aes_entries_ahead(ahead, 0), 0u);
}

// Data the file does not hold to its end gives no code that could match.
TEST_F(AesAheadFile, DataPastTheFileEndIsNotCoded) {
  AesAhead ahead{};
  const AesData past_end{bytes_.size() - 100, 200};
  start(ahead, kSalt, past_end);
  AesAheadEntry* code_ahead = take(ahead, kSalt, past_end);
  uint8_t code[platform::kSha1Size];
  ASSERT_NE(code_ahead, nullptr);
  EXPECT_FALSE(take_code_ahead(*code_ahead, code));
  end_aes_ahead(ahead);
}

}  // namespace
