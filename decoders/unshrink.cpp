// Method 1 ("shrunk"): dynamic LZW with codes growing from 9 to 13 bits. The
// code 256 introduces a control sub-code: 1 widens the codes by one bit, 2
// frees the strings that are no other string's prefix. There is no full clear.
#include "archive/bit_input.h"
#include "archive/slide_window.h"
#include "decoders/decoders.h"
#include "shell/fatal.h"

namespace {

constexpr uint16_t kControlCode = 256;
constexpr uint16_t kFirstString = 257;
constexpr uint16_t kTableEnd = 8193;  // codes 0 to 8192
constexpr uint16_t kFreeEntry = 0xFFFF;
constexpr uint16_t kPrefixMark = 0x8000;  // only while a partial clear runs
constexpr uint16_t kStackSize = 8193;
constexpr uint8_t kFirstCodeSize = 9;
constexpr uint8_t kLastCodeSize = 13;
constexpr uint16_t kWiden = 1;
constexpr uint16_t kPartialClear = 2;

struct ShrinkEntry {
  uint16_t parent;  // the prefix's code (a literal or an entry), or kFreeEntry
  uint8_t suffix;   // the string's last byte
};

// Entries 0 to 256 are never looked up; strings live from 257 upward.
struct ShrinkTable {
  ShrinkEntry entry[kTableEnd];
};

// The current entry's decoding state; table and stack are owned by unshrink_entry.
ShrinkTable* table = nullptr;
uint8_t* decode_stack = nullptr;
uint8_t code_size = kFirstCodeSize;
uint16_t free_slot = kFirstString;
uint16_t prev_code = 0;
uint8_t first_char = 0;

bool is_free(uint16_t code) { return table->entry[code].parent == kFreeEntry; }

void find_free_slot_from(uint16_t slot) {
  while (slot < kTableEnd && !is_free(slot)) ++slot;
  free_slot = slot;
}

// Frees every entry below free_slot that no entry below free_slot has as its
// prefix. Entries from free_slot up are neither examined nor freed.
void partial_clear() {
  ShrinkEntry* e = table->entry;
  for (uint16_t i = kFirstString; i < free_slot; ++i) e[i].parent |= kPrefixMark;
  for (uint16_t i = kFirstString; i < free_slot; ++i) {
    uint16_t p = e[i].parent & ~kPrefixMark;
    // A prefix beyond the table exists only in damaged data; a walk through
    // such an entry stops the run later.
    if (p >= kFirstString && p < kTableEnd) e[p].parent &= ~kPrefixMark;
  }
  for (uint16_t i = kFirstString; i < free_slot; ++i)
    if (e[i].parent & kPrefixMark) e[i].parent = kFreeEntry;
  find_free_slot_from(kFirstString);
}

void control(uint16_t sub) {
  if (sub == kWiden && code_size < kLastCodeSize) {
    ++code_size;
  } else if (sub == kPartialClear) {
    partial_clear();
  } else {
    // Data ended before the sub-code, codes wider than the table, or a sub-code
    // no encoder writes.
    fatal_exit(kDataIntegrityError);
  }
}

// Outputs the string of `code` (an entry, or the one about to be created) by
// walking its prefixes onto the stack, last byte first.
void put_string(uint16_t code) {
  uint16_t n = 0;
  uint16_t x = code;
  if (is_free(x)) {
    // The code of the entry that this very code creates: the previous string
    // followed by its own first byte.
    decode_stack[n++] = first_char;
    x = prev_code;
  }
  while (x > 255) {
    // A free entry or a loop in the prefix chain: the data is damaged.
    if (x >= kTableEnd || n == kStackSize) fatal_exit(kDataIntegrityError);
    const ShrinkEntry& e = table->entry[x];
    decode_stack[n++] = e.suffix;
    x = e.parent;
  }
  first_char = static_cast<uint8_t>(x);
  put_byte(first_char);
  while (n > 0) put_byte(decode_stack[--n]);
}

void add_entry() {
  if (free_slot == kTableEnd) return;  // full until a partial clear
  table->entry[free_slot] = ShrinkEntry{prev_code, first_char};
  find_free_slot_from(static_cast<uint16_t>(free_slot + 1));
}

}  // namespace

void unshrink_entry() {
  ZeroedBlock<ShrinkTable> table_block = make_zeroed<ShrinkTable>(sizeof(ShrinkTable));
  ZeroedBlock<uint8_t> stack_block = make_zeroed<uint8_t>(kStackSize);
  table = table_block.get();
  decode_stack = stack_block.get();
  for (uint16_t i = kFirstString; i < kTableEnd; ++i) table->entry[i].parent = kFreeEntry;
  free_slot = kFirstString;
  code_size = kFirstCodeSize;

  uint16_t x = take_bits(kFirstCodeSize);
  if (x == kEndOfData) return;
  if (x > 255) fatal_exit(kDataIntegrityError);  // the first code must be a literal
  first_char = static_cast<uint8_t>(x);
  prev_code = x;
  put_byte(first_char);

  while ((x = take_bits(code_size)) != kEndOfData) {
    if (x == kControlCode) {
      control(take_bits(code_size));
      continue;
    }
    if (x < kControlCode) {
      first_char = static_cast<uint8_t>(x);
      put_byte(first_char);
    } else {
      put_string(x);
    }
    add_entry();
    prev_code = x;
  }
}
