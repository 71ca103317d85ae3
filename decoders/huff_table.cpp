#include "decoders/huff_table.h"

#include "shell/fatal.h"

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

// Index bits of a table opened at depth w for a code of length k, with
// `after` more codes of that length to come: as many as the codes that share
// the table's prefix can fill, never more than `limit`. A code that reaches
// past the limit goes on in a deeper table, so this one gets the full limit:
// its links sit at indices of that many bits.
int table_index_bits(const int* count, int k, int w, int after, int limit) {
  int j = k - w;
  if (j >= limit) return limit;
  int free_slots = 1 << j;
  if (free_slots <= after + 1) return j;
  free_slots -= after + 1;
  while (++j < limit) {
    free_slots <<= 1;
    if (free_slots <= count[w + j]) break;
    free_slots -= count[w + j];
  }
  return j;
}

}  // namespace

uint16_t build_huff_table(const uint16_t* lengths, uint16_t n, uint16_t s, const uint16_t* base,
                          const uint16_t* extra, HuffTable& table, int16_t& lookup_bits) {
  if (n > kMaxHuffSymbols) return 1;
  int count[kMaxCodeLength + 1] = {};
  for (uint16_t i = 0; i < n; ++i) {
    if (lengths[i] > kMaxCodeLength) return 1;
    ++count[lengths[i]];
  }
  if (count[0] == n) {
    table = nullptr;
    lookup_bits = 0;
    return 0;
  }

  int k_min = 1;
  while (count[k_min] == 0) ++k_min;
  int g = kMaxCodeLength;
  while (count[g] == 0) --g;
  int l = lookup_bits;
  if (l < k_min) l = k_min;
  if (l > g) l = g;

  // The unused part of the code space becomes dummy codes of the longest length.
  int y = 1 << k_min;
  for (int j = k_min; j < g; ++j) {
    y -= count[j];
    if (y < 0) return 1;
    y <<= 1;
  }
  y -= count[g];
  if (y < 0) return 1;
  count[g] += y;

  // The coded symbols sorted by code length, then by symbol.
  int offset[kMaxCodeLength + 2];
  offset[1] = 0;
  for (int j = 1; j < g; ++j) offset[j + 1] = offset[j] + count[j];
  uint16_t list[kMaxHuffSymbols];
  for (uint16_t i = 0; i < n; ++i)
    if (lengths[i] != 0) list[offset[lengths[i]]++] = i;
  const int m = n - count[0];

  // Canonical codes, held bit-reversed: the first input bit is the lowest index bit.
  HuffChain chain;
  HuffEntry* last_header = nullptr;
  HuffEntry* level_table[kMaxCodeLength + 1];
  uint32_t level_size[kMaxCodeLength + 1];
  uint32_t level_code[kMaxCodeLength + 1];  // the code at which each level was entered
  level_code[0] = 0;
  uint32_t code = 0;
  int h = -1;
  int w = -l;
  int p = 0;
  for (int k = k_min; k <= g; ++k) {
    for (int after = count[k] - 1; after >= 0; --after) {
      while (k > w + l) {
        ++h;
        w += l;
        int limit = l < g - w ? l : g - w;
        int j = table_index_bits(count, k, w, after, limit);
        HuffEntry* t = allocate_table(j);
        if (last_header)
          last_header->table = t;
        else
          chain.reset(t);
        last_header = t - 1;
        level_table[h] = t;
        level_size[h] = uint32_t{1} << j;
        if (h > 0) {
          level_code[h] = code;
          HuffEntry& link = level_table[h - 1][code >> (w - l)];
          link.op = static_cast<uint8_t>(kOpPlain + j);
          link.bits = static_cast<uint8_t>(l);
          link.table = t;
        }
      }

      HuffEntry e{};
      e.bits = static_cast<uint8_t>(k - w);
      if (p == m) {
        e.op = kOpUnused;
      } else {
        uint16_t sym = list[p++];
        if (sym < s) {
          e.op = sym < 256 ? kOpPlain : kOpEndOfBlock;
          e.value = sym;
        } else {
          e.op = static_cast<uint8_t>(extra[sym - s] & 0xFF);
          e.value = base[sym - s];
        }
      }
      for (uint32_t index = code >> w; index < level_size[h]; index += uint32_t{1} << (k - w))
        level_table[h][index] = e;

      // Next code of length k, counted in reversed bit order.
      uint32_t bit = uint32_t{1} << (k - 1);
      while (code & bit) {
        code ^= bit;
        bit >>= 1;
      }
      code ^= bit;

      // Leave the tables whose prefix the next code no longer shares.
      while ((code & ((uint32_t{1} << w) - 1)) != level_code[h]) {
        --h;
        w -= l;
      }
    }
  }

  table = chain.release();
  lookup_bits = static_cast<int16_t>(l);
  return 0;
}

void release_huff_table(HuffTable table) {
  while (table) {
    HuffEntry* header = table - 1;
    table = header->table;
    HeapRelease{}(header);
  }
}
