#include "decoders/huff_table.h"

#include "base/memory.h"

namespace {

constexpr int kMaxCodeLength = 15;

// One zero-filled allocation: the header entry, then the 2^index_bits entries.
// A first level indexed by 15 bits is far beyond 64 KiB, hence the 32-bit size.
HuffEntry* allocate_table(int index_bits) {
  uint32_t entries = (uint32_t{1} << index_bits) + 1;
  auto* header = static_cast<HuffEntry*>(alloc_zeroed(entries * static_cast<uint32_t>(sizeof(HuffEntry))));
  header->table = nullptr;
  return header + 1;
}

// Index bits of a table opened for a code of `length` bits when the tables
// above it already resolve `resolved` bits, with `more_of_length` codes of
// that length still to come: as many as the codes that share the table's
// prefix can fill, never more than `limit`. A code that reaches past the limit
// goes on in a deeper table, so this one gets the full limit: its links sit at
// indices of that many bits.
int table_index_bits(const int* codes_of_length, int length, int resolved, int more_of_length, int limit) {
  int index_bits = length - resolved;
  if (index_bits >= limit) return limit;
  int free_slots = 1 << index_bits;
  if (free_slots <= more_of_length + 1) return index_bits;
  free_slots -= more_of_length + 1;
  while (++index_bits < limit) {
    free_slots <<= 1;
    if (free_slots <= codes_of_length[resolved + index_bits]) break;
    free_slots -= codes_of_length[resolved + index_bits];
  }
  return index_bits;
}

}  // namespace

uint16_t build_huff_table(const uint16_t* lengths, uint16_t symbol_count, uint16_t plain_symbols,
                          const uint16_t* base, const uint16_t* extra, HuffTable& table,
                          int16_t& lookup_bits) {
  if (symbol_count > kMaxHuffSymbols) return 1;
  int codes_of_length[kMaxCodeLength + 1] = {};
  for (uint16_t symbol = 0; symbol < symbol_count; ++symbol) {
    if (lengths[symbol] > kMaxCodeLength) return 1;
    ++codes_of_length[lengths[symbol]];
  }
  if (codes_of_length[0] == symbol_count) {
    table = nullptr;
    lookup_bits = 0;
    return 0;
  }

  int shortest = 1;
  while (codes_of_length[shortest] == 0) ++shortest;
  int longest = kMaxCodeLength;
  while (codes_of_length[longest] == 0) --longest;
  int level_bits = lookup_bits;  // index bits of every level's link positions
  if (level_bits < shortest) level_bits = shortest;
  if (level_bits > longest) level_bits = longest;

  // The unused part of the code space becomes dummy codes of the longest length.
  int unused_codes = 1 << shortest;
  for (int length = shortest; length < longest; ++length) {
    unused_codes -= codes_of_length[length];
    if (unused_codes < 0) return 1;
    unused_codes <<= 1;
  }
  unused_codes -= codes_of_length[longest];
  if (unused_codes < 0) return 1;
  codes_of_length[longest] += unused_codes;

  // The coded symbols sorted by code length, then by symbol.
  int first_of_length[kMaxCodeLength + 2];
  first_of_length[1] = 0;
  for (int length = 1; length < longest; ++length)
    first_of_length[length + 1] = first_of_length[length] + codes_of_length[length];
  uint16_t sorted_symbols[kMaxHuffSymbols];
  for (uint16_t symbol = 0; symbol < symbol_count; ++symbol)
    if (lengths[symbol] != 0) sorted_symbols[first_of_length[lengths[symbol]]++] = symbol;
  const int coded_symbols = symbol_count - codes_of_length[0];

  // Canonical codes, held bit-reversed: the first input bit is the lowest index bit.
  HuffChain chain;
  HuffEntry* last_header = nullptr;
  HuffEntry* level_table[kMaxCodeLength + 1];
  uint32_t level_size[kMaxCodeLength + 1];
  uint32_t level_code[kMaxCodeLength + 1];  // the code at which each level was entered
  level_code[0] = 0;
  uint32_t code = 0;
  int level = -1;              // depth of the current table
  int resolved = -level_bits;  // code bits the tables above the current one resolve
  int next_sorted = 0;
  for (int length = shortest; length <= longest; ++length) {
    for (int more_of_length = codes_of_length[length] - 1; more_of_length >= 0; --more_of_length) {
      // Open deeper tables until this code ends within the current one.
      while (length > resolved + level_bits) {
        ++level;
        resolved += level_bits;
        int limit = level_bits < longest - resolved ? level_bits : longest - resolved;
        int index_bits = table_index_bits(codes_of_length, length, resolved, more_of_length, limit);
        HuffEntry* opened = allocate_table(index_bits);
        if (last_header)
          last_header->table = opened;
        else
          chain.reset(opened);
        last_header = opened - 1;
        level_table[level] = opened;
        level_size[level] = uint32_t{1} << index_bits;
        if (level > 0) {
          level_code[level] = code;
          HuffEntry& link = level_table[level - 1][code >> (resolved - level_bits)];
          link.op = static_cast<uint8_t>(kOpPlain + index_bits);
          link.bits = static_cast<uint8_t>(level_bits);
          link.table = opened;
        }
      }

      HuffEntry entry{};
      entry.bits = static_cast<uint8_t>(length - resolved);
      if (next_sorted == coded_symbols) {
        entry.op = kOpUnused;
      } else {
        uint16_t symbol = sorted_symbols[next_sorted++];
        if (symbol < plain_symbols) {
          entry.op = symbol < 256 ? kOpPlain : kOpEndOfBlock;
          entry.value = symbol;
        } else {
          entry.op = static_cast<uint8_t>(extra[symbol - plain_symbols] & 0xFF);
          entry.value = base[symbol - plain_symbols];
        }
      }
      // Every index whose low bits are this code's remaining bits.
      for (uint32_t index = code >> resolved; index < level_size[level];
           index += uint32_t{1} << (length - resolved))
        level_table[level][index] = entry;

      // Next code of this length, counted in reversed bit order.
      uint32_t bit = uint32_t{1} << (length - 1);
      while (code & bit) {
        code ^= bit;
        bit >>= 1;
      }
      code ^= bit;

      // Leave the tables whose prefix the next code no longer shares.
      while ((code & ((uint32_t{1} << resolved) - 1)) != level_code[level]) {
        --level;
        resolved -= level_bits;
      }
    }
  }

  table = chain.release();
  lookup_bits = static_cast<int16_t>(level_bits);
  return 0;
}

void release_huff_table(HuffTable table) {
  while (table) {
    HuffEntry* header = table - 1;
    table = header->table;
    HeapRelease{}(header);
  }
}
