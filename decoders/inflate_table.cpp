#include "decoders/inflate_table.h"

#include <cstring>

#include "base/memory.h"

namespace {

uint32_t pack(uint32_t code, uint32_t extra, InflateKind kind, uint32_t value) {
  const uint32_t all = kind == kSubTable ? code : code + extra;
  return all | kind << 5 | code << 8 | extra << 12 | value << 16;
}

bool is_link(const HuffEntry& e) { return e.op > kOpPlain && e.op <= kOpLastLink; }

// Entries of a table of 2^index_bits and of all the sub-tables behind it.
uint32_t entries_behind(const HuffEntry* table, uint32_t index_bits) {
  uint32_t count = uint32_t{1} << index_bits;
  for (uint32_t i = 0; i < (uint32_t{1} << index_bits); ++i)
    if (is_link(table[i])) count += entries_behind(table[i].table, table[i].op - kOpPlain);
  return count;
}

// Writes the table at `at` and its sub-tables from `free` on; returns the new free place.
uint32_t lay_out(const HuffEntry* table, uint32_t index_bits, uint32_t* out, uint32_t at, uint32_t free) {
  for (uint32_t i = 0; i < (uint32_t{1} << index_bits); ++i) {
    const HuffEntry& e = table[i];
    uint32_t& entry = out[at + i];
    if (is_link(e)) {
      const uint32_t sub_bits = e.op - kOpPlain;
      entry = pack(e.bits, sub_bits, kSubTable, free);
      free = lay_out(e.table, sub_bits, out, free, free + (uint32_t{1} << sub_bits));
    } else if (e.op == kOpUnused) {
      entry = pack(e.bits, 0, kNoSymbol, 0);
    } else if (e.op == kOpPlain) {
      entry = pack(e.bits, 0, kPlainSymbol, e.value);
    } else if (e.op == kOpEndOfBlock) {
      entry = pack(e.bits, 0, kBlockEnd, e.value);
    } else if (e.op == kOpLongLength) {
      entry = pack(e.bits, 0, kLongLength, e.value);
    } else {
      entry = pack(e.bits, e.op, kBaseValue, e.value);
    }
  }
  return free;
}

}  // namespace

InflateCode::~InflateCode() {
  if (fast != entries) HeapRelease{}(fast);
  HeapRelease{}(entries);
}

void widen_inflate_code(InflateCode& code, uint32_t bits) {
  const uint32_t first = code.first_bits, first_size = uint32_t{1} << first;
  code.widest_look = first;
  for (uint32_t i = 0; i < first_size; ++i) {
    const uint32_t e = code.entries[i];
    if (is_kind(e, kSubTable) && first + extra_bits(e) > code.widest_look)
      code.widest_look = first + extra_bits(e);
  }
  if (bits <= first) {
    code.fast = code.entries;
    code.fast_bits = first;
    return;
  }
  code.fast = static_cast<uint32_t*>(alloc_zeroed(uint32_t{4} << bits));
  code.fast_bits = bits;
  // The first level, its symbols and base values as they are, repeated for
  // every value of the bits above it; then the links' places filled: a code
  // of one link and one more level within `bits` gets its entry with the
  // link's bits added to its own, anything else says no symbol.
  const uint32_t no_symbol = pack(0, 0, kNoSymbol, 0);
  for (uint32_t i = 0; i < first_size; ++i) {
    const uint32_t e = code.entries[i];
    code.fast[i] = is_consumed_whole(e) ? e : no_symbol;
  }
  for (uint32_t filled = first_size; filled < (uint32_t{1} << bits); filled *= 2)
    std::memcpy(code.fast + filled, code.fast, filled * sizeof(uint32_t));
  for (uint32_t i = 0; i < first_size; ++i) {
    const uint32_t link = code.entries[i];
    if (!is_kind(link, kSubTable)) continue;
    const uint32_t sub_bits = extra_bits(link);
    for (uint32_t high = 0; high < (uint32_t{1} << (bits - first)); ++high) {
      uint32_t e = no_symbol;
      if (first + sub_bits <= bits) {
        const uint32_t sub = code.entries[entry_value(link) + (high & ((uint32_t{1} << sub_bits) - 1))];
        if (is_consumed_whole(sub)) e = sub + first + (first << 8);
      }
      code.fast[i + (high << first)] = e;
    }
  }
}

bool build_inflate_code(InflateCode& code, const uint16_t* lengths, uint16_t symbol_count,
                        uint16_t plain_symbols, const uint16_t* base, const uint16_t* extra,
                        int16_t wanted_bits) {
  HuffTable table = nullptr;
  int16_t bits = wanted_bits;
  if (build_huff_table(lengths, symbol_count, plain_symbols, base, extra, table, bits) != 0) return false;
  HuffChain chain(table);
  if (!table) {
    // The empty code: its one entry, looked up with no bits, is no symbol.
    code.entries = static_cast<uint32_t*>(alloc_zeroed(sizeof(uint32_t)));
    code.entries[0] = pack(0, 0, kNoSymbol, 0);
    return true;
  }
  code.first_bits = static_cast<uint32_t>(bits);
  const uint32_t count = entries_behind(table, code.first_bits);
  code.entries = static_cast<uint32_t*>(alloc_zeroed(count * static_cast<uint32_t>(sizeof(uint32_t))));
  lay_out(table, code.first_bits, code.entries, 0, uint32_t{1} << code.first_bits);
  return true;
}
