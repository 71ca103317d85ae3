// Multi-level lookup tables for the Huffman codes of inflate: the first level
// is indexed by `lookup_bits` input bits, longer codes go on in sub-tables
// hanging off link entries. All tables of one code form one chain that is
// released as a whole.
#pragma once
#include <cstdint>
#include <memory>

// What a table entry is (`op`); 0 to 14 are extra-bit counts of a length or
// distance symbol, 17 to 32 are links to a sub-table of 2^(op - 16) entries.
inline constexpr uint8_t kOpEndOfBlock = 15;
inline constexpr uint8_t kOpPlain = 16;  // a literal byte or a code-length symbol
inline constexpr uint8_t kOpLastLink = kOpPlain + 16;
// Deflate64's length symbol 285: 16 extra bits, more than the other ops say.
inline constexpr uint8_t kOpLongLength = 64;
inline constexpr uint8_t kOpUnused = 99;

// One table entry, 8 bytes on 32-bit targets (16 on 64-bit). A code of
// `bits` bits fills every index whose low `bits` bits are its bits (first
// input bit lowest), so a look-up with more bits than the code still finds it:
// - op 0-14: a length or distance; `value` is its base, op its extra bits;
// - op 64 (kOpLongLength): a length whose base is `value`, 16 extra bits;
// - op 15 (kOpEndOfBlock), 16 (kOpPlain): `value` is the symbol itself;
// - op 17-32: a link; `bits` are the bits this level resolves, and the next
//   op - 16 input bits index `table`;
// - op 99 (kOpUnused): a code no symbol has (bad data).
struct HuffEntry {
  uint8_t op;
  uint8_t bits;  // input bits the decoder drops when it uses this entry
  union {
    uint16_t value;    // symbol, base length or base distance
    HuffEntry* table;  // link entries: the sub-table; table headers: the next table of the chain
  };
};

// A table is referred to by its entry 0; the header entry in front of it links
// the chain. None (nullptr) is the table of an empty code.
using HuffTable = HuffEntry*;

inline constexpr uint16_t kMaxHuffSymbols = 288;

// Builds the tables of the code given by `symbol_count` code lengths (0 = no
// code, at most 15). Symbols below `plain_symbols` are plain; from there on, op
// and value come from extra[symbol - plain_symbols] and base[symbol - plain_symbols]. lookup_bits is the
// wanted first-level width on entry and the width used on return. Returns 0 when built (codes that leave part
// of the code space unused included; the empty code gives no table and width 0) and 1 for lengths that
// over-subscribe the code space or are out of range, in which case nothing is allocated and `table` is
// untouched.
uint16_t build_huff_table(const uint16_t* lengths, uint16_t symbol_count, uint16_t plain_symbols,
                          const uint16_t* base, const uint16_t* extra, HuffTable& table,
                          int16_t& lookup_bits);

// Releases every table of the chain that starts at `table`.
void release_huff_table(HuffTable table);

struct HuffTableRelease {
  void operator()(HuffEntry* table) const { release_huff_table(table); }
};

// Owner of a table chain; also frees it when a test build unwinds out of a fatal stop.
using HuffChain = std::unique_ptr<HuffEntry, HuffTableRelease>;
