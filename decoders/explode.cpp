// Method 6 (imploded): LZ77 items whose literals, match lengths and high
// distance parts are Shannon-Fano coded with tables sent at the entry's start.
#include <algorithm>

#include "archive/bit_input.h"
#include "archive/records.h"
#include "archive/slide_window.h"
#include "decoders/decoders.h"
#include "decoders/shannon_fano.h"
#include "shell/fatal.h"

namespace {

constexpr uint16_t kShortcutSlots = 1u << kSfShortcutBits;

uint16_t reverse16(uint16_t v) {
  uint16_t r = 0;
  for (int i = 0; i < 16; ++i, v >>= 1) r = static_cast<uint16_t>(r << 1 | (v & 1));
  return r;
}

// From the longest code to the shortest, each code is the previous one plus
// the step of the previous length, giving a prefix code read first bit first.
void assign_codes(SfTable& table) {
  uint16_t code = 0, increment = 0;
  uint8_t last_length = 0;
  for (uint16_t i = table.size; i-- > 0;) {
    SfEntry& e = table.entries[i];
    code = static_cast<uint16_t>(code + increment);
    e.code = code;
    if (e.bit_length != last_length) {
      last_length = e.bit_length;
      increment = static_cast<uint16_t>(1u << (16 - last_length));
    }
  }
  for (uint16_t i = 0; i < table.size; ++i) table.entries[i].code = reverse16(table.entries[i].code);
}

// What the walk of decode_sf answers for every short bit pattern of a sorted
// table: the first entry in table order among the shortest whose code
// matches. Filling from the table's end forward leaves exactly that entry in
// each slot. Patterns that match nothing either need more bits or, when no
// entry is longer, end at the table's end after the longest length.
void build_shortcuts(SfTable& table) {
  uint8_t longest = table.size ? table.entries[table.size - 1].bit_length : 0;
  SfShortcut unmatched{0, 0};
  if (longest <= kSfShortcutBits) unmatched = {kEndOfData, static_cast<uint8_t>(std::max<uint8_t>(longest, 1))};
  std::fill(table.shortcuts, table.shortcuts + kShortcutSlots, unmatched);
  for (uint16_t i = table.size; i-- > 0;) {
    const SfEntry& e = table.entries[i];
    if (e.bit_length == 0 || e.bit_length > kSfShortcutBits || (e.code >> e.bit_length) != 0) continue;
    for (uint32_t v = e.code; v < kShortcutSlots; v += 1u << e.bit_length)
      table.shortcuts[v] = {e.symbol, e.bit_length};
  }
  uint16_t first_long = 0;
  while (first_long < table.size && table.entries[first_long].bit_length <= kSfShortcutBits) ++first_long;
  table.long_codes = first_long;
  table.has_shortcuts = true;
}

// The walk proper: one bit at a time, comparing only entries as long as the
// bits taken. `position`, `value` and `count` carry on from bits already taken.
uint16_t walk_sf(const SfTable& table, uint16_t position, uint16_t value, uint8_t count) {
  for (;;) {
    uint16_t bit = take_bits(1);
    if (bit == kEndOfData) return kEndOfData;
    value = static_cast<uint16_t>(value | bit << count);
    ++count;
    for (; position < table.size && table.entries[position].bit_length <= count; ++position) {
      const SfEntry& e = table.entries[position];
      if (e.bit_length == count && e.code == value) return e.symbol;
    }
    // No entry left that is long enough to match.
    if (position == table.size) return kEndOfData;
  }
}

struct ExplodeTables {
  SfEntry entries[256 + 64 + 64];  // literal, length, distance
  SfShortcut shortcuts[3][kShortcutSlots];
};

SfTable table_at(ExplodeTables& block, uint16_t first, int which) {
  return SfTable{block.entries + first, 0, block.shortcuts[which], false, 0};
}

struct ItemCoding {
  int16_t low_distance_bits;
  uint16_t min_match;
  bool literal_tree;
  SfTable literals, lengths, distances;
};

// Reads and copies one match; false when the data ran out before it was complete.
bool copy_next_match(const ItemCoding& c) {
  uint16_t low = take_bits(c.low_distance_bits);
  if (low == kEndOfData) return false;
  uint16_t high = decode_sf(c.distances);
  if (high == kEndOfData) return false;
  uint16_t length = decode_sf(c.lengths);
  if (length == kEndOfData) return false;
  if (length == 63) {
    uint16_t extra = take_bits(8);
    if (extra == kEndOfData) return false;
    length = static_cast<uint16_t>(length + extra);
  }
  copy_match((static_cast<uint32_t>(high) << c.low_distance_bits | low) + 1u, length + c.min_match);
  return true;
}

}  // namespace

uint16_t read_sf_tree(SfTable& table, uint16_t n) {
  table.size = n;
  table.has_shortcuts = false;
  uint16_t count = read_byte();
  if (count == kEndOfData) return kEndOfData;
  // Entries are written in symbol order; a description that runs past the
  // table's end is still read to its end, but writes nothing more.
  uint16_t next_symbol = 0;
  for (uint16_t i = 0; i <= count; ++i) {
    uint16_t b = read_byte();
    if (b == kEndOfData) return kEndOfData;
    uint8_t length = static_cast<uint8_t>((b & 0x0F) + 1);
    for (uint16_t repeat = (b >> 4) + 1; repeat > 0 && next_symbol < n; --repeat, ++next_symbol)
      table.entries[next_symbol] = SfEntry{length, static_cast<uint8_t>(next_symbol), 0};
  }
  std::sort(table.entries, table.entries + n, [](const SfEntry& a, const SfEntry& b) {
    return a.bit_length != b.bit_length ? a.bit_length < b.bit_length : a.symbol < b.symbol;
  });
  assign_codes(table);
  build_shortcuts(table);
  return 0;
}

uint16_t decode_sf(const SfTable& table) {
  if (!table.has_shortcuts) return walk_sf(table, 0, 0, 0);
  // The look-up answers from the bits already held and reads a byte only when
  // the code runs past them, where the bit-by-bit walk would read it too; so
  // bytes leave the input, and the end of the data is met, exactly as there.
  for (;;) {
    uint16_t bits = static_cast<uint16_t>(bit_buffer & bit_masks[kSfShortcutBits]);
    const SfShortcut& s = table.shortcuts[bits];
    if (s.bit_length != 0 && s.bit_length <= bit_count) {
      take_bits(s.bit_length);
      return s.symbol;
    }
    if (s.bit_length == 0 && bit_count >= kSfShortcutBits) {
      take_bits(kSfShortcutBits);
      return walk_sf(table, table.long_codes, bits, kSfShortcutBits);
    }
    if (peek_bits(static_cast<int16_t>(bit_count + 1)) == kEndOfData) return kEndOfData;
  }
}

void explode_entry(const LocalHeader& header) {
  ZeroedBlock<ExplodeTables> block = make_zeroed<ExplodeTables>(sizeof(ExplodeTables));
  ItemCoding c;
  c.low_distance_bits = header.flags() & kFlagLargeWindow ? 7 : 6;
  c.literal_tree = (header.flags() & kFlagLiteralTree) != 0;
  c.min_match = c.literal_tree ? 3 : 2;
  c.literals = table_at(*block, 0, 0);
  c.lengths = table_at(*block, 256, 1);
  c.distances = table_at(*block, 256 + 64, 2);
  // A description cut short leaves no data for the items, which then end at once.
  if (c.literal_tree) read_sf_tree(c.literals, 256);
  read_sf_tree(c.lengths, 64);
  read_sf_tree(c.distances, 64);

  for (;;) {
    uint16_t is_literal = take_bits(1);
    if (is_literal == kEndOfData) return;
    if (is_literal == 0) {
      if (!copy_next_match(c)) return;
      continue;
    }
    uint16_t literal = c.literal_tree ? decode_sf(c.literals) : take_bits(8);
    if (literal == kEndOfData) return;
    put_byte(static_cast<uint8_t>(literal));
  }
}
