// The Huffman table builder against canonical codes worked out
// independently (RFC 1951 section 3.2.2), plus the layouts inflate relies on.
#include "decoders/huff_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "tests/unit/canonical_code.h"

namespace {

using Lengths = std::vector<uint16_t>;

struct Built {
  uint16_t result = 0;
  HuffChain chain;
  int16_t lookup_bits = 0;
};

Built build(const Lengths& lengths, int16_t wanted, uint16_t s, const uint16_t* base = nullptr,
            const uint16_t* extra = nullptr) {
  Built b;
  HuffTable table = nullptr;
  b.lookup_bits = wanted;
  b.result = build_huff_table(lengths.data(), static_cast<uint16_t>(lengths.size()), s, base, extra, table,
                              b.lookup_bits);
  b.chain.reset(table);
  return b;
}

std::vector<HuffTable> chain_tables(HuffTable first) {
  std::vector<HuffTable> tables;
  for (HuffTable t = first; t; t = (t - 1)->table) tables.push_back(t);
  return tables;
}

// Every table of the chain with its size: the first level's from lookup_bits,
// each sub-table's from the link that leads to it (links always lead to
// tables allocated later). Checks that every entry was written.
std::map<const HuffEntry*, uint32_t> table_sizes(const Built& b) {
  std::map<const HuffEntry*, uint32_t> sizes;
  sizes[b.chain.get()] = 1u << b.lookup_bits;
  for (HuffTable t : chain_tables(b.chain.get())) {
    EXPECT_TRUE(sizes.count(t)) << "table not reached by any link";
    for (uint32_t i = 0; i < sizes[t]; ++i) {
      EXPECT_GE(t[i].bits, 1) << "entry left unwritten";
      if (t[i].op > kOpPlain && t[i].op != kOpUnused) sizes[t[i].table] = 1u << (t[i].op - kOpPlain);
    }
  }
  EXPECT_EQ(sizes.size(), chain_tables(b.chain.get()).size());
  return sizes;
}

// Follows `stream` (bit 0 first) through the tables as inflate does.
const HuffEntry* walk(const Built& b, const std::map<const HuffEntry*, uint32_t>& sizes, uint32_t stream,
                      int& consumed) {
  consumed = 0;
  const HuffEntry* t = b.chain.get();
  uint32_t index = stream & ((1u << b.lookup_bits) - 1);
  EXPECT_LT(index, sizes.at(t));
  const HuffEntry* e = t + index;
  while (e->op > kOpPlain && e->op != kOpUnused) {
    consumed += e->bits;
    t = e->table;
    index = (stream >> consumed) & ((1u << (e->op - kOpPlain)) - 1);
    EXPECT_LT(index, sizes.at(t));
    e = t + index;
  }
  consumed += e->bits;
  return e;
}

TEST(HuffTable, FixedLiteralLengthCode) {
  Lengths lengths(288);
  for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
  uint16_t base[31], extra[31];
  for (int i = 0; i < 31; ++i) {
    base[i] = static_cast<uint16_t>(500 + i);
    extra[i] = i < 29 ? i % 6 : 99;
  }
  Built b = build(lengths, 7, 257, base, extra);
  ASSERT_EQ(b.result, 0);
  EXPECT_EQ(b.lookup_bits, 7);
  auto sizes = table_sizes(b);
  std::map<uint32_t, int> tables_of_size;
  for (auto& [table, size] : sizes) ++tables_of_size[size];
  EXPECT_EQ(chain_tables(b.chain.get()).size(), 105u);
  EXPECT_EQ(tables_of_size, (std::map<uint32_t, int>{{128, 1}, {2, 76}, {4, 28}}));

  const HuffEntry& end_of_block = b.chain.get()[0];
  EXPECT_EQ(end_of_block.op, kOpEndOfBlock);
  EXPECT_EQ(end_of_block.bits, 7);
  EXPECT_EQ(end_of_block.value, 256);

  std::vector<uint32_t> codes = canonical_stream_codes(lengths);
  for (int sym = 0; sym < 288; ++sym) {
    int consumed = 0;
    const HuffEntry* e = walk(b, sizes, codes[sym], consumed);
    EXPECT_EQ(consumed, lengths[sym]) << sym;
    if (sym < 256) {
      EXPECT_EQ(e->op, kOpPlain) << sym;
      EXPECT_EQ(e->value, sym);
    } else if (sym > 256) {
      // 286 and 287 are invalid through the extra-bits table.
      EXPECT_EQ(e->op, extra[sym - 257]) << sym;
      if (sym < 286) {
        EXPECT_EQ(e->value, base[sym - 257]) << sym;
      }
    }
  }
}

TEST(HuffTable, FixedDistanceCodeLeavesTheTopTwoCodesUnused) {
  Built b = build(Lengths(30, 5), 5, 30);
  ASSERT_EQ(b.result, 0);
  EXPECT_EQ(b.lookup_bits, 5);
  ASSERT_EQ(chain_tables(b.chain.get()).size(), 1u);
  std::vector<uint32_t> codes = canonical_stream_codes(Lengths(30, 5));
  for (uint16_t sym = 0; sym < 30; ++sym) {
    const HuffEntry& e = b.chain.get()[codes[sym]];
    EXPECT_EQ(e.op, kOpPlain);
    EXPECT_EQ(e.value, sym);
    EXPECT_EQ(e.bits, 5);
  }
  for (int unused : {15, 31}) {
    EXPECT_EQ(b.chain.get()[unused].op, kOpUnused);
    EXPECT_EQ(b.chain.get()[unused].bits, 5);
  }
}

TEST(HuffTable, SingleOneBitCodeGetsATwoEntryTable) {
  Lengths lengths(30, 0);
  lengths[4] = 1;
  Built b = build(lengths, 6, 30);
  ASSERT_EQ(b.result, 0);
  EXPECT_EQ(b.lookup_bits, 1);
  ASSERT_EQ(chain_tables(b.chain.get()).size(), 1u);
  EXPECT_EQ(b.chain.get()[0].op, kOpPlain);
  EXPECT_EQ(b.chain.get()[0].value, 4);
  EXPECT_EQ(b.chain.get()[0].bits, 1);
  EXPECT_EQ(b.chain.get()[1].op, kOpUnused);
}

TEST(HuffTable, RejectedLengthsLeaveTheTableAlone) {
  HuffEntry sentinel[2] = {};
  for (const Lengths& lengths : {Lengths{1, 1, 1}, Lengths{2, 2, 2, 2, 2}, Lengths{1, 16, 0}, Lengths{16}}) {
    HuffTable table = sentinel + 1;
    int16_t bits = 7;
    EXPECT_EQ(build_huff_table(lengths.data(), static_cast<uint16_t>(lengths.size()), 19, nullptr, nullptr,
                               table, bits),
              1);
    EXPECT_EQ(table, sentinel + 1);
  }
}

TEST(HuffTable, EmptyCodeHasNoTable) {
  HuffEntry sentinel[2] = {};
  HuffTable table = sentinel + 1;
  int16_t bits = 9;
  Lengths lengths(19, 0);
  EXPECT_EQ(build_huff_table(lengths.data(), 19, 19, nullptr, nullptr, table, bits), 0);
  EXPECT_EQ(table, nullptr);
  EXPECT_EQ(bits, 0);
}

TEST(HuffTable, FirstLevelWidthFollowsTheCodeLengths) {
  Lengths short_codes(20, 5);  // longest code 5 bits
  Built narrowed = build(short_codes, 9, 20);
  ASSERT_EQ(narrowed.result, 0);
  EXPECT_EQ(narrowed.lookup_bits, 5);
  EXPECT_EQ(chain_tables(narrowed.chain.get()).size(), 1u);

  Built widened = build(Lengths(256, 8), 7, 256);  // every code 8 bits
  ASSERT_EQ(widened.result, 0);
  EXPECT_EQ(widened.lookup_bits, 8);
  EXPECT_EQ(chain_tables(widened.chain.get()).size(), 1u);
  for (uint32_t i = 0; i < 256; ++i) EXPECT_EQ(widened.chain.get()[i].bits, 8);
}

// A few 15-bit codes alone: the first level grows to 2^15 entries plus its header.
TEST(HuffTable, OnlyLongCodesMakeAFullWidthFirstLevel) {
  Built b = build(Lengths{15, 15, 15}, 9, 3);
  ASSERT_EQ(b.result, 0);
  ASSERT_EQ(b.lookup_bits, 15);
  ASSERT_EQ(chain_tables(b.chain.get()).size(), 1u);
  const HuffEntry* t = b.chain.get();
  std::vector<uint32_t> codes = canonical_stream_codes(Lengths{15, 15, 15});
  for (uint32_t i = 0; i < 0x8000; ++i) {
    int sym = i == codes[0] ? 0 : i == codes[1] ? 1 : i == codes[2] ? 2 : -1;
    EXPECT_EQ(t[i].bits, 15);
    if (sym < 0) {
      EXPECT_EQ(t[i].op, kOpUnused) << i;
    } else {
      EXPECT_EQ(t[i].op, kOpPlain);
      EXPECT_EQ(t[i].value, sym);
    }
  }
}

// Walks every g-bit input pattern through the tables built for `lengths`: it
// decodes to the symbol whose code it starts with, consuming that code's
// length, or reaches an unused entry when no code starts it.
void expect_decodes_like_canonical_code(const Lengths& lengths, int16_t wanted, uint16_t s) {
  const int n = static_cast<int>(lengths.size());
  std::vector<uint16_t> base(n), extra(n);
  for (int i = 0; i < n; ++i) {
    base[i] = static_cast<uint16_t>(1000 + i);
    extra[i] = static_cast<uint16_t>(i % 14);
  }
  Built b = build(lengths, wanted, s, base.data(), extra.data());
  ASSERT_EQ(b.result, 0);
  int g = 0, k_min = 16;
  for (uint16_t len : lengths) {
    if (len == 0) continue;
    g = std::max<int>(g, len);
    k_min = std::min<int>(k_min, len);
  }
  if (g == 0) {
    EXPECT_EQ(b.chain.get(), nullptr);
    return;
  }
  EXPECT_EQ(b.lookup_bits, std::clamp<int>(wanted, k_min, g));

  std::vector<uint32_t> codes = canonical_stream_codes(lengths);
  std::vector<int> expected(1u << g, -1);
  for (int sym = 0; sym < n; ++sym)
    if (lengths[sym])
      for (uint32_t rest = 0; rest < (1u << (g - lengths[sym])); ++rest)
        expected[codes[sym] | rest << lengths[sym]] = sym;

  auto sizes = table_sizes(b);
  for (uint32_t pattern = 0; pattern < (1u << g); ++pattern) {
    int consumed = 0;
    const HuffEntry* e = walk(b, sizes, pattern, consumed);
    int sym = expected[pattern];
    if (sym < 0) {
      ASSERT_EQ(e->op, kOpUnused) << pattern;
      continue;
    }
    ASSERT_EQ(consumed, lengths[sym]) << pattern;
    if (sym < s) {
      ASSERT_EQ(e->op, sym < 256 ? kOpPlain : kOpEndOfBlock);
      ASSERT_EQ(e->value, sym);
    } else {
      ASSERT_EQ(e->op, extra[sym - s]);
      ASSERT_EQ(e->value, base[sym - s]);
    }
  }
}

// Distance codes at inflate's width 6: one as deep as deflate allows, and
// incomplete ones whose first code below a 6-bit prefix is 13 to 15 bits
// long, which go on through a full 6-bit second level.
TEST(HuffTable, LongDistanceCodesDecodeThroughSubTables) {
  Lengths deep;
  for (uint16_t len = 1; len <= 15; ++len) deep.push_back(len);
  deep.push_back(15);
  expect_decodes_like_canonical_code(deep, 6, 0);
  expect_decodes_like_canonical_code(Lengths{1, 13}, 6, 0);
  expect_decodes_like_canonical_code(Lengths{2, 2, 0, 15, 14, 13}, 6, 0);
}

// Random complete and incomplete codes of every shape and wanted width.
TEST(HuffTable, RandomCodesDecodeLikeTheCanonicalCode) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 150; ++round) {
    int n = 1 + static_cast<int>(rng() % 288);
    int longest = 1 + static_cast<int>(rng() % 15);
    Lengths lengths(n, 0);
    uint32_t space = 0;  // in units of 2^-15
    for (int sym = 0; sym < n; ++sym) {
      if (rng() % 4 == 0) continue;
      int len = 1 + static_cast<int>(rng() % longest);
      uint32_t units = 1u << (15 - len);
      if (space + units <= 0x8000) {
        lengths[sym] = static_cast<uint16_t>(len);
        space += units;
      }
    }
    if (round % 2 == 0) {  // complete the code where the symbols suffice
      for (int sym = 0; sym < n && space < 0x8000; ++sym) {
        if (lengths[sym] != 0) continue;
        int len = 1;
        while ((1u << (15 - len)) > 0x8000 - space) ++len;
        lengths[sym] = static_cast<uint16_t>(len);
        space += 1u << (15 - len);
      }
    }
    uint16_t s = static_cast<uint16_t>(rng() % (n + 1));
    int16_t wanted = static_cast<int16_t>(rng() % 17);
    SCOPED_TRACE(::testing::Message()
                 << "round " << round << " n " << n << " s " << s << " wanted " << wanted);
    expect_decodes_like_canonical_code(lengths, wanted, s);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
