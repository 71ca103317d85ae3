// Reduced entries (methods 2 to 5, factors 1 to 4). Each intermediate
// character is either an index into the follower set of the character before
// it or a raw byte; the escape byte 144 then introduces a literal 144 or a
// match whose byte splits into length and distance bits by the factor.
#include "archive/entry_bits.h"
#include "base/fatal.h"
#include "base/memory.h"
#include "decoders/decoders.h"

namespace {

constexpr uint8_t kEscape = 144;
constexpr uint16_t kSetCapacity = 32;
constexpr int kSetCount = 256;

struct FollowerSet {
  uint8_t count;
  uint8_t followers[kSetCapacity];  // slots from `count` up hold 0
};

// Bits of a follower index by the set's count (an empty set sends none).
constexpr uint8_t kIndexBits[kSetCapacity + 1] = {0, 1, 1, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4,
                                                  5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5};

// Sets come for characters 255 down to 0. Data that runs out here leaves the
// rest empty; the character stream then meets the end on its own.
void read_follower_sets(RunState& run, FollowerSet* follower_sets) {
  for (int c = kSetCount - 1; c >= 0; --c) {
    FollowerSet& set = follower_sets[c];
    uint16_t count = take_bits(run, 6);
    if (count == kEndOfData) return;
    // No compressor sends more followers than a set holds.
    if (count > kSetCapacity) fatal_exit(kDataIntegrityError);
    set.count = static_cast<uint8_t>(count);
    for (uint16_t i = 0; i < count; ++i) {
      uint16_t follower = take_bits(run, 8);
      if (follower == kEndOfData) break;
      set.followers[i] = static_cast<uint8_t>(follower);
    }
  }
}

// Built for speed, the character reader is inlined so that the last character
// stays in a register (a fifth faster); built for size (the Win32 stub), it
// stays one call.
#ifdef __OPTIMIZE_SIZE__
#define SFX_CHAR_READER inline
#else
#define SFX_CHAR_READER [[gnu::always_inline]] inline
#endif

// The next intermediate character, or kEndOfData.
SFX_CHAR_READER uint16_t next_char(RunState& run, const FollowerSet* follower_sets, uint8_t& last_char) {
  const FollowerSet& set = follower_sets[last_char];
  uint16_t x;
  if (set.count == 0) {
    x = take_bits(run, 8);
  } else {
    uint16_t raw = take_bits(run, 1);
    if (raw == kEndOfData) return kEndOfData;
    if (raw) {
      x = take_bits(run, 8);
    } else {
      // The widest index (5 bits) stays within the 32 slots.
      x = take_bits(run, kIndexBits[set.count]);
      if (x != kEndOfData) x = set.followers[x];
    }
  }
  if (x != kEndOfData) last_char = static_cast<uint8_t>(x);
  return x;
}

// The bytes still to come, counted per character in 32 bits (a 64-bit count
// costs a register pair on a 32-bit target): `left` takes the next 2^31 of
// `beyond` only when it runs short.
struct OutputCountdown {
  uint32_t left;
  uint64_t beyond;
  explicit OutputCountdown(uint64_t size) : left(0), beyond(size) { take_more(); }
  bool take_more() {
    const uint32_t more = beyond < kStep ? static_cast<uint32_t>(beyond) : kStep;
    left += more;
    beyond -= more;
    return more != 0;
  }
  // At most n, cut to the bytes still to come.
  uint32_t at_most(uint32_t n) {
    if (n > left) take_more();
    return n < left ? n : left;
  }
  static constexpr uint32_t kStep = 1u << 31;
};

}  // namespace

// Reduced data has no end marker, and the zero bits padding the last byte can
// form one more character, so decoding stops when the header's size is
// reached (cutting a match there) or when the data runs out.
void expand_entry(RunState& run, const LocalHeader& header) {
  const int factor = header.method() - 1;
  const uint16_t length_mask = 0xFF >> factor;
  const int distance_shift = 8 - factor;

  ZeroedBlock<FollowerSet> sets = make_zeroed<FollowerSet>(kSetCount * sizeof(FollowerSet));
  FollowerSet* const follower_sets = sets.get();  // one per preceding character
  uint8_t last_char = 0;
  read_follower_sets(run, follower_sets);
  SlideWindow& window = run.window;

  OutputCountdown count(run.entry_sizes.uncompressed);
  while (count.left != 0 || count.take_more()) {
    uint16_t x = next_char(run, follower_sets, last_char);
    if (x == kEndOfData) break;
    if (x != kEscape) {
      put_byte(window, static_cast<uint8_t>(x));
      --count.left;
      continue;
    }
    uint16_t match_byte = next_char(run, follower_sets, last_char);
    if (match_byte == kEndOfData) break;
    if (match_byte == 0) {
      put_byte(window, kEscape);
      --count.left;
      continue;
    }
    uint32_t length = match_byte & length_mask;
    if (length == length_mask) {
      x = next_char(run, follower_sets, last_char);
      if (x == kEndOfData) break;
      length += x;
    }
    x = next_char(run, follower_sets, last_char);
    if (x == kEndOfData) break;
    length += 3;
    uint32_t distance = (static_cast<uint32_t>(match_byte >> distance_shift) << 8) + x + 1;
    length = count.at_most(length);
    copy_match(window, distance, length);
    count.left -= length;
  }
}
