// Method 1 ("shrunk"): dynamic LZW with codes growing from 9 to 13 bits. The
// code 256 introduces a control sub-code: 1 widens the codes by one bit, 2
// frees the strings that are no other string's prefix. There is no full clear.
#include <algorithm>
#include <cstring>

#include "archive/entry_bits.h"
#include "archive/fast_bits.h"
#include "base/fatal.h"
#include "base/memory.h"
#include "decoders/decoders.h"

namespace {

constexpr uint16_t kControlCode = 256;
constexpr uint16_t kFirstString = 257;
constexpr uint16_t kTableEnd = 8193;  // codes 0 to 8192
constexpr uint16_t kFreeEntry = 0xFFFF;
constexpr uint16_t kPrefixMark = 0x8000;
constexpr uint16_t kStackSize = 8193;
constexpr uint8_t kFirstCodeSize = 9;
constexpr uint8_t kLastCodeSize = 13;
constexpr uint16_t kWiden = 1;
constexpr uint16_t kPartialClear = 2;

// What the output loop needs to write a string in place, from the back, two
// bytes a step, without the stack: one 8-byte load per step.
struct KnownString {
  // Nonzero only while the entry's chain of prefixes is the one it was made
  // with (every entry on it still holds the string it held then). 0 for free
  // entries and for strings made on a prefix that was free (damaged data, or
  // a prefix freed by a partial clear right before the entry was made):
  // those are walked through the stack.
  uint16_t length;
  uint16_t last_two;       // the last two bytes, in output order
  uint16_t prefix_prefix;  // where the bytes before those two continue
  uint8_t first;           // the first byte
};

// Strings live from 257 upward; 256 is never looked up. Entries 0 to 255 hold
// the literals as known one-byte strings, so that output treats literals and
// strings alike. `parent` is kept in an array of its own, so that the partial
// clear's passes run over a plain array.
struct ShrinkTable {
  uint16_t parent[kTableEnd];  // the prefix's code (a literal or an entry), or kFreeEntry
  uint8_t suffix[kTableEnd];   // the string's last byte
  KnownString known[kTableEnd];
  // Scratch of the partial clear: whether an examined entry has this one as its prefix.
  uint8_t is_prefix[kTableEnd];
};

// The current entry's decoding state; table and stack are owned by unshrink_entry.
struct Unshrink {
  ShrinkTable* table;
  uint8_t* decode_stack;
  SlideWindow& window;
  uint8_t code_size = kFirstCodeSize;
  uint16_t free_slot = kFirstString;
  uint16_t prev_code = 0;
  uint8_t first_char = 0;

  bool is_free(uint16_t code) const { return table->parent[code] == kFreeEntry; }
};

// The lowest free entry from `slot` up, or the table end. Takes the array
// rather than the table so that the output loop keeps it in a register.
inline unsigned free_slot_from(const uint16_t* parent, unsigned slot) {
  while (slot < kTableEnd && parent[slot] != kFreeEntry) ++slot;
  return slot;
}

// Frees every entry below free_slot that no entry below free_slot has as its
// prefix. Entries from free_slot up are neither examined nor freed.
void partial_clear(Unshrink& u) {
  ShrinkTable* const table = u.table;
  const uint16_t free_slot = u.free_slot;
  uint16_t* parent = table->parent;
  uint8_t* is_prefix = table->is_prefix;
  KnownString* known = table->known;
  std::memset(is_prefix, 0, sizeof(table->is_prefix));
  for (uint16_t i = kFirstString; i < free_slot; ++i) {
    // A prefix beyond the table exists only in damaged data; a walk through
    // such an entry stops the run later.
    if (parent[i] < kTableEnd) is_prefix[parent[i]] = 1;
  }
  for (uint16_t i = kFirstString; i < free_slot; ++i) {
    parent[i] = is_prefix[i] ? parent[i] : kFreeEntry;
    known[i].length = is_prefix[i] ? known[i].length : 0;
  }
  bool prefix_lost = false;
  for (uint16_t i = free_slot; i < kTableEnd; ++i) {
    // Damaged data only: a free entry named as a prefix loses the top bit of
    // its marker, as clearing a prefix's mark always did, and is in use from
    // then on (a walk through it stops the run).
    if (is_prefix[i] && parent[i] == kFreeEntry) parent[i] = kFreeEntry & ~kPrefixMark;
    const uint16_t p = parent[i];
    prefix_lost |= p >= kFirstString && p < free_slot && u.is_free(p);
  }
  // An entry above the examined ones whose prefix was freed: once that slot
  // is refilled, its string and those made on it change. Forget every length.
  if (prefix_lost)
    for (uint16_t i = kFirstString; i < kTableEnd; ++i) known[i].length = 0;
  u.free_slot = static_cast<uint16_t>(free_slot_from(parent, kFirstString));
}

void control(Unshrink& u, uint16_t sub) {
  if (sub == kWiden && u.code_size < kLastCodeSize) {
    ++u.code_size;
  } else if (sub == kPartialClear) {
    partial_clear(u);
  } else {
    // Data ended before the sub-code, codes wider than the table, or a sub-code
    // no encoder writes.
    fatal_exit(kDataIntegrityError);
  }
}

// Outputs the string of `code` (an entry, or the one about to be created) by
// walking its prefixes onto the stack, last byte first.
void put_string_walked(Unshrink& u, uint16_t code) {
  uint16_t n = 0;
  uint16_t x = code;
  if (u.is_free(x)) {
    // The code of the entry that this very code creates: the previous string
    // followed by its own first byte.
    u.decode_stack[n++] = u.first_char;
    x = u.prev_code;
  }
  while (x > 255) {
    // A free entry or a loop in the prefix chain: the data is damaged.
    if (x >= kTableEnd || n == kStackSize) fatal_exit(kDataIntegrityError);
    u.decode_stack[n++] = u.table->suffix[x];
    x = u.table->parent[x];
  }
  u.first_char = static_cast<uint8_t>(x);
  put_byte(u.window, u.first_char);
  while (n > 0) put_byte(u.window, u.decode_stack[--n]);
}

// Codes until the end of the data (false), or until `bits` will not go on
// (true). The state is kept in locals inside the loop: a store through the
// output pointer could alias any of the state in memory, which would cost
// reloads per byte.
template <class Bits>
[[gnu::always_inline]] inline bool decode_codes(Bits& bits, Unshrink& u) {
  uint16_t* const parent = u.table->parent;
  uint8_t* const suffix = u.table->suffix;
  KnownString* const known = u.table->known;
  SlideWindow& w = u.window;
  // Only put_string_walked writes the ring out; the end stays where it is.
  const uint8_t* const window_end = w.end;
  unsigned size = u.code_size, slot = u.free_slot, prev = u.prev_code;
  uint8_t first = u.first_char;
  uint8_t* out = w.pos;
  const auto save = [&] {
    u.free_slot = static_cast<uint16_t>(slot);
    u.prev_code = static_cast<uint16_t>(prev);
    u.first_char = first;
    w.pos = out;
  };
  const auto load = [&] {
    size = u.code_size;
    slot = u.free_slot;
    first = u.first_char;
    out = w.pos;
  };
  while (bits.refill()) {
    const unsigned x = bits.take(size);
    if (x == kEndOfData) {
      save();
      return false;
    }
    if (x == kControlCode) {
      const unsigned sub = bits.take(size);
      save();
      control(u, static_cast<uint16_t>(sub));
      load();
      continue;
    }
    if (const KnownString k = known[x]; k.length != 0 && k.length < window_end - out) {
      // A literal, or a string with an intact chain, that fits before the
      // ring's end: written in place from the back, its first byte last. The
      // first step is taken by every code, a literal's into a scratch word,
      // so that literals and short strings take one path.
      first = k.first;
      int i = k.length - 2;
      uint16_t scratch;
      std::memcpy(i >= 0 ? out + i : reinterpret_cast<uint8_t*>(&scratch), &k.last_two, 2);
      for (unsigned c = k.prefix_prefix; i >= 2; c = known[c].prefix_prefix) {
        i -= 2;
        std::memcpy(out + i, &known[c].last_two, 2);
      }
      out[0] = first;
      out += k.length;
    } else {
      save();
      put_string_walked(u, static_cast<uint16_t>(x));
      load();
    }
    if (slot < kTableEnd) {
      // The new entry: the previous string followed by this one's first byte.
      parent[slot] = static_cast<uint16_t>(prev);
      suffix[slot] = first;
      const KnownString p = known[prev];
      known[slot] = KnownString{static_cast<uint16_t>(p.length == 0 ? 0 : p.length + 1),
                                static_cast<uint16_t>(p.last_two >> 8 | first << 8), parent[prev], p.first};
      slot = free_slot_from(parent, slot + 1);
    }
    prev = x;
  }
  save();
  return true;
}

}  // namespace

void unshrink_entry(RunState& run) {
  ZeroedBlock<ShrinkTable> table_block = make_zeroed<ShrinkTable>(sizeof(ShrinkTable));
  ZeroedBlock<uint8_t> stack_block = make_zeroed<uint8_t>(kStackSize);
  Unshrink u{table_block.get(), stack_block.get(), run.window};
  ShrinkTable* const table = u.table;
  std::fill(table->parent + kFirstString, table->parent + kTableEnd, kFreeEntry);
  for (uint16_t i = 0; i < kControlCode; ++i) {
    table->parent[i] = i;
    table->suffix[i] = static_cast<uint8_t>(i);
    table->known[i] = KnownString{1, static_cast<uint16_t>(i << 8), i, static_cast<uint8_t>(i)};
  }

  uint16_t x = take_bits(run, kFirstCodeSize);
  if (x == kEndOfData) return;
  if (x > 255) fatal_exit(kDataIntegrityError);  // the first code must be a literal
  u.first_char = static_cast<uint8_t>(x);
  u.prev_code = x;
  put_byte(run.window, u.first_char);

  // While plenty of input is buffered the codes come from the fast
  // reservoir, else one at a time from the bit input.
  for (;;) {
    FastBits fast;
    if (fast.begin(run)) {
      decode_codes(fast, u);
      fast.end(run);
    }
    EntryBits one(run);
    if (!decode_codes(one, u)) return;
  }
}
