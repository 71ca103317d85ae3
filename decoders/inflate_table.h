// The tables inflate decodes with: a code's Huffman tables as build_huff_table
// makes them (the first level and every sub-table) laid out in one array of
// 32-bit entries. A literal, or a length or distance with the count of its
// extra bits, then comes from one look-up, and a whole code fits in a few
// cache lines.
//
// An entry, from bit 0:
//   bits 0-4    all bits    input bits the entry takes: its code and, for a
//                           length or distance, the extra bits (a link: the
//                           first level's width; a long length: its code)
//   bits 5-7    kind        InflateKind; bit 5 is clear for the kinds a fast
//                           decoder consumes whole, so bits 0-5 serve as a
//                           shift count on 64 bits as on 32
//   bits 8-11   code bits   bits of the code itself
//   bits 12-15  extra bits  extra bits after a length or distance code (a
//                           link: the sub-table's index bits)
//   bits 16-31  value       a plain symbol, a base length or distance (a
//                           link: the sub-table's start in the array)
// The tables' widths and the bits they are indexed by are those of the
// builder, so decoding looks at exactly the bits the builder's tables ask for.
#pragma once
#include <cstdint>

#include "decoders/huff_table.h"

enum InflateKind : uint32_t {
  kPlainSymbol = 0,  // a literal byte, or a code-length symbol
  kNoSymbol = 1,     // an unused code, or any code of the empty code
  kBaseValue = 2,    // a length or distance: value plus the extra bits
  kLongLength = 3,   // Deflate64's length symbol 285: value plus 16 extra bits
  kBlockEnd = 4,
  kSubTable = 6,
};

inline uint32_t code_bits(uint32_t entry) { return entry >> 8 & 15; }
inline uint32_t extra_bits(uint32_t entry) { return entry >> 12 & 15; }
inline uint32_t entry_value(uint32_t entry) { return entry >> 16; }
inline bool is_plain(uint32_t entry) { return (entry & 0xE0) == 0; }
inline bool is_kind(uint32_t entry, InflateKind kind) { return (entry & 0xE0) == kind << 5; }
// A plain symbol or a base value: the kinds a decoder consumes whole.
inline bool is_consumed_whole(uint32_t entry) { return (entry & 0xA0) == 0; }

inline constexpr unsigned kLongLengthExtraBits = 16;

// One code's array, owned for the length of a block (the fixed codes: of the process).
struct InflateCode {
  uint32_t* entries = nullptr;
  uint32_t first_bits = 0;  // the first level's width; 0 for the empty code
  // For a fast decoder: the first level widened to `fast_bits`, so that every
  // plain symbol or base value whose code fits comes from one look; the other
  // entries say kNoSymbol (look again in `entries`). The same array as
  // `entries` where the first level is as wide already.
  uint32_t* fast = nullptr;
  uint32_t fast_bits = 0;
  // The widest look the builder's tables make for a code: the first level's
  // width and a link's bits plus its sub-table's.
  uint32_t widest_look = 0;

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

// Makes `code.fast` at least `bits` wide, and finds `widest_look`.
void widen_inflate_code(InflateCode& code, uint32_t bits);

// From an entry of the first level to the entry of the code, through the
// sub-tables: each link's bits dropped, the next table's width looked at.
template <class Bits>
[[gnu::always_inline]] inline uint32_t follow_links(Bits& bits, const InflateCode& code, uint32_t entry) {
  while (is_kind(entry, kSubTable)) {
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

// The same for a long length (up to 3 + 65535).
template <class Bits>
[[gnu::always_inline]] inline uint32_t take_long_length(Bits& bits, uint32_t entry) {
  return entry_value(entry) + bits.take_after(code_bits(entry), kLongLengthExtraBits);
}
