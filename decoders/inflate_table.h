// The tables inflate decodes with: a code's Huffman tables as build_huff_table
// makes them (the first level and every sub-table) laid out in one array of
// 32-bit entries. A literal, or a length or distance with the count of its
// extra bits, then comes from one look-up, and a whole code fits in a few
// cache lines.
//
// An entry, from bit 0:
//   bits 0-3    code bits   input bits the entry's code takes in its table,
//                           dropped when it is used (a link: the first
//                           level's width)
//   bits 4-7    extra bits  extra bits after a length or distance code (a
//                           link: the sub-table's index bits)
//   bits 8-10   kind        InflateKind
//   bits 16-31  value       a plain symbol, a base length or distance (a
//                           link: the sub-table's start in the array)
// The tables' widths and the bits they are indexed by are those of the
// builder, so decoding looks at exactly the bits the builder's tables ask for.
#pragma once
#include <cstdint>

#include "decoders/huff_table.h"

enum InflateKind : uint32_t {
  kPlainSymbol = 0,  // a literal byte, or a code-length symbol
  kBaseValue = 1,    // a length or distance: value plus the extra bits
  kBlockEnd = 2,
  kNoSymbol = 3,  // an unused code, or any code of the empty code
  kSubTable = 4,
};

inline uint32_t code_bits(uint32_t entry) { return entry & 15; }
inline uint32_t extra_bits(uint32_t entry) { return entry >> 4 & 15; }
inline uint32_t entry_kind(uint32_t entry) { return entry >> 8 & 7; }
inline uint32_t entry_value(uint32_t entry) { return entry >> 16; }

// One code's array, owned for the length of a block (the fixed codes: of the process).
struct InflateCode {
  uint32_t* entries = nullptr;
  uint32_t first_bits = 0;  // the first level's width; 0 for the empty code

  InflateCode() = default;
  InflateCode(const InflateCode&) = delete;
  InflateCode& operator=(const InflateCode&) = delete;
  ~InflateCode();
};

// Builds `code` from n code lengths as build_huff_table does (same arguments,
// `wanted_bits` the first level's wanted width); false for lengths that
// over-subscribe the code space, with `code` left empty.
bool build_inflate_code(InflateCode& code, const uint16_t* lengths, uint16_t symbol_count,
                        uint16_t plain_symbols, const uint16_t* base, const uint16_t* extra,
                        int16_t wanted_bits);

// From an entry of the first level to the entry of the code, through the
// sub-tables: each link's bits dropped, the next table's width looked at.
template <class Bits>
[[gnu::always_inline]] inline uint32_t follow_links(Bits& bits, const InflateCode& code, uint32_t entry) {
  while (entry_kind(entry) == kSubTable) {
    bits.drop(code_bits(entry));
    entry = code.entries[entry_value(entry) + bits.peek(extra_bits(entry))];
  }
  return entry;
}

// The next code's entry: a full first-level width looked at, the links
// followed. The code's own bits stay for the caller, who drops them once it
// knows the entry is a symbol.
template <class Bits>
[[gnu::always_inline]] inline uint32_t next_entry(Bits& bits, const InflateCode& code) {
  return follow_links(bits, code, code.entries[bits.peek(code.first_bits)]);
}

// A length or distance entry's value: its base plus its extra bits, all of
// its bits consumed.
template <class Bits>
[[gnu::always_inline]] inline uint32_t take_base_value(Bits& bits, uint32_t entry) {
  return entry_value(entry) + bits.take_after(code_bits(entry), extra_bits(entry));
}
