#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "archive/aes_keys_ahead.h"
#include "platform/crypto.h"

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

// Keys derived ahead are handed out only for the cipher, salt and password
// they were derived for, and only once.
TEST(AesKeysAhead, AreTakenOnlyForWhatTheyWereDerivedFor) {
  const EntryCipher aes256{CipherKind::kAes, 3, 2, 8}, aes128{CipherKind::kAes, 1, 2, 8};
  const std::string salt = "0123456789abcdef", other_salt = "0123456789abcdeF";
  const std::string password = "SECRET";
  struct Row {
    const char* what;
    const EntryCipher& cipher;
    const std::string& salt;
    std::string password;
    bool taken;
  };
  const Row rows[] = {
      {"the same", aes256, salt, password, true},
      {"another salt", aes256, other_salt, password, false},
      {"another password", aes256, salt, "SECRET2", false},
      {"a password it begins", aes256, salt, "SECRE", false},
      {"another key size", aes128, salt, password, false},
  };
  for (const Row& row : rows) {
    AesKeysAhead ahead{};
    derive_keys_ahead(ahead, aes256, bytes(salt), bytes(password), password.size());
    uint8_t taken[kAesKeysCapacity] = {}, derived[kAesKeysCapacity] = {};
    ASSERT_EQ(
        take_keys_ahead(ahead, row.cipher, bytes(row.salt), bytes(row.password), row.password.size(), taken),
        row.taken)
        << row.what;
    if (!row.taken) continue;
    ASSERT_TRUE(derive_aes_key_material(aes256, bytes(salt), bytes(password), password.size(), derived));
    EXPECT_EQ(hex(taken, sizeof taken), hex(derived, sizeof derived));
    EXPECT_FALSE(take_keys_ahead(ahead, aes256, bytes(salt), bytes(password), password.size(), taken))
        << "taken twice";
  }
}

}  // namespace
