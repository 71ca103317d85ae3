// Method 6 (imploded): LZ77 items whose literals, match lengths and high
// distance parts are Shannon-Fano coded with tables sent at the entry's start.
#include <algorithm>

#include "archive/entry_bits.h"
#include "archive/fast_bits.h"
#include "base/memory.h"
#include "decoders/decoders.h"
#include "decoders/shannon_fano.h"

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
  if (longest <= kSfShortcutBits)
    unmatched = {kEndOfData, static_cast<uint8_t>(std::max<uint8_t>(longest, 1))};
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
template <class Bits>
uint16_t walk_sf(Bits& bits, const SfTable& table, uint16_t position, uint16_t value, uint8_t count) {
  for (;;) {
    uint32_t bit = bits.take(1);
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

// The next symbol, one step at a time from the bit input (see decode_sf).
uint16_t next_symbol(const SfTable& table, EntryBits& bits) { return decode_sf(bits.run(), table); }

// The next symbol from the fast reservoir, which always holds the bits of a
// whole code. Taking only the code's own bits keeps the input exactly where
// decode_sf, reading a byte only when a code runs past the bits held, leaves it.
uint16_t next_symbol(const SfTable& table, FastBits& bits) {
  const uint32_t v = bits.look(kSfShortcutBits);
  const SfShortcut s = table.shortcuts[v];
  if (s.bit_length != 0) {
    bits.drop(s.bit_length);
    return s.symbol;
  }
  bits.drop(kSfShortcutBits);
  return walk_sf(bits, table, table.long_codes, static_cast<uint16_t>(v), kSfShortcutBits);
}

// Items until the data runs out (false), or until `bits` will not go on
// (true). The window position is kept in a local between matches: a store
// through a byte pointer could alias any global, which would cost reloads.
template <class Bits>
[[gnu::always_inline]] inline bool decode_items(Bits& bits, const ItemCoding& c, SlideWindow& w) {
  uint8_t* out = w.pos;
  const uint8_t* const window_end = w.end;  // the ring never moves
  // One item; false when the data ran out before it was complete.
  const auto item = [&]() -> bool {
    const uint32_t is_literal = bits.take(1);
    if (is_literal == kEndOfData) return false;
    if (is_literal != 0) {
      const uint32_t literal = c.literal_tree ? next_symbol(c.literals, bits) : bits.take(8);
      if (literal == kEndOfData) return false;
      *out++ = static_cast<uint8_t>(literal);
      if (out == window_end) {
        w.pos = out;
        write_full_window(w);
        out = w.pos;
      }
      return true;
    }
    const uint32_t low = bits.take(static_cast<unsigned>(c.low_distance_bits));
    if (low == kEndOfData) return false;
    const uint32_t high = next_symbol(c.distances, bits);
    if (high == kEndOfData) return false;
    uint32_t length = next_symbol(c.lengths, bits);
    if (length == kEndOfData) return false;
    if (length == 63) {
      const uint32_t extra = bits.take(8);
      if (extra == kEndOfData) return false;
      length += extra;
    }
    w.pos = out;
    copy_match(w, (high << c.low_distance_bits | low) + 1u, length + c.min_match);
    out = w.pos;
    return true;
  };
  bool more = true;
  while (more && bits.refill()) more = item();
  w.pos = out;
  return more;
}

// By bit length, then symbol: the entries are in symbol order (those the
// description left out, all alike, last), so a stable count by length
// alone gives that order.
void order_by_length(SfEntry* entries, uint16_t n) {
  uint16_t at[kSfMaxBitLength + 2] = {};
  for (uint16_t i = 0; i < n; ++i) ++at[entries[i].bit_length + 1];
  for (unsigned length = 1; length <= kSfMaxBitLength + 1; ++length) at[length] += at[length - 1];
  SfEntry ordered[kSfMaxEntries];
  for (uint16_t i = 0; i < n; ++i) ordered[at[entries[i].bit_length]++] = entries[i];
  std::copy(ordered, ordered + n, entries);
}

}  // namespace

uint16_t read_sf_tree(RunState& run, SfTable& table, uint16_t n) {
  table.size = n;
  table.has_shortcuts = false;
  uint16_t count = read_byte(run);
  if (count == kEndOfData) return kEndOfData;
  // Entries are written in symbol order; a description that runs past the
  // table's end is still read to its end, but writes nothing more.
  uint16_t next_symbol = 0;
  for (uint16_t i = 0; i <= count; ++i) {
    uint16_t b = read_byte(run);
    if (b == kEndOfData) return kEndOfData;
    uint8_t length = static_cast<uint8_t>((b & 0x0F) + 1);
    for (uint16_t repeat = (b >> 4) + 1; repeat > 0 && next_symbol < n; --repeat, ++next_symbol)
      table.entries[next_symbol] = SfEntry{length, static_cast<uint8_t>(next_symbol), 0};
  }
  order_by_length(table.entries, n);
  assign_codes(table);
  build_shortcuts(table);
  return 0;
}

uint16_t decode_sf(RunState& run, const SfTable& table) {
  EntryBits one(run);
  const BitInput& held = run.bits;
  if (!table.has_shortcuts) return walk_sf(one, table, 0, 0, 0);
  // The look-up answers from the bits already held and reads a byte only when
  // the code runs past them, where the bit-by-bit walk would read it too; so
  // bytes leave the input, and the end of the data is met, exactly as there.
  for (;;) {
    uint16_t bits = static_cast<uint16_t>(held.buffer & bit_masks[kSfShortcutBits]);
    const SfShortcut& s = table.shortcuts[bits];
    if (s.bit_length != 0 && s.bit_length <= held.count) {
      take_bits(run, s.bit_length);
      return s.symbol;
    }
    if (s.bit_length == 0 && held.count >= kSfShortcutBits) {
      take_bits(run, kSfShortcutBits);
      return walk_sf(one, table, table.long_codes, bits, kSfShortcutBits);
    }
    if (peek_bits(run, static_cast<int16_t>(held.count + 1)) == kEndOfData) return kEndOfData;
  }
}

void explode_entry(RunState& run, const LocalHeader& header) {
  ZeroedBlock<ExplodeTables> block = make_zeroed<ExplodeTables>(sizeof(ExplodeTables));
  ItemCoding c;
  c.low_distance_bits = header.flags() & kFlagLargeWindow ? 7 : 6;
  c.literal_tree = (header.flags() & kFlagLiteralTree) != 0;
  c.min_match = c.literal_tree ? 3 : 2;
  c.literals = table_at(*block, 0, 0);
  c.lengths = table_at(*block, 256, 1);
  c.distances = table_at(*block, 256 + 64, 2);
  // A description cut short leaves no data for the items, which then end at once.
  if (c.literal_tree) read_sf_tree(run, c.literals, 256);
  read_sf_tree(run, c.lengths, 64);
  read_sf_tree(run, c.distances, 64);

  // While plenty of input is buffered the items come from the fast
  // reservoir, else one at a time from the bit input. The reservoir decodes
  // through the look-ups, which only complete descriptions have.
  const bool complete =
      c.lengths.has_shortcuts && c.distances.has_shortcuts && (!c.literal_tree || c.literals.has_shortcuts);
  for (;;) {
    FastBits fast;
    if (complete && fast.begin(run)) {
      const bool more = decode_items(fast, c, run.window);
      fast.end(run);
      if (!more) return;
    }
    EntryBits one(run);
    if (!decode_items(one, c, run.window)) return;
  }
}
