#include "tests/support/lzma_stream_writer.h"

namespace {

constexpr uint32_t kTop = 1u << 24;

}  // namespace

LzmaStreamWriter::LzmaStreamWriter(unsigned lc, unsigned lp, unsigned pb, uint32_t dictionary_size)
    : lc_(lc),
      lp_(lp),
      pb_(pb),
      dictionary_size_(dictionary_size),
      probs_(lzma_prob_count(lc, lp), kLzmaProbInit),
      model_(*reinterpret_cast<LzmaProbs*>(probs_.data())) {}

void LzmaStreamWriter::shift_low() {
  // A carry out of the low 32 bits reaches the held byte and the 0xFF bytes after it.
  if (static_cast<uint32_t>(low_) < 0xFF000000u || (low_ >> 32) != 0) {
    const uint8_t carry = static_cast<uint8_t>(low_ >> 32);
    uint8_t held = cache_;
    for (; cache_size_ != 0; --cache_size_) {
      stream_.push_back(static_cast<char>(held + carry));
      held = 0xFF;
    }
    cache_ = static_cast<uint8_t>(low_ >> 24);
  }
  ++cache_size_;
  low_ = (low_ & 0x00FFFFFFu) << 8;
}

void LzmaStreamWriter::bit(LzmaProb& p, unsigned b) {
  const uint32_t bound = (range_ >> kLzmaProbBits) * p;
  if (b == 0) {
    range_ = bound;
    p = static_cast<LzmaProb>(p + (((1u << kLzmaProbBits) - p) >> 5));
  } else {
    low_ += bound;
    range_ -= bound;
    p = static_cast<LzmaProb>(p - (p >> 5));
  }
  for (; range_ < kTop; range_ <<= 8) shift_low();
}

void LzmaStreamWriter::direct_bits(uint32_t value, unsigned count) {
  while (count-- != 0) {
    range_ >>= 1;
    if ((value >> count) & 1) low_ += range_;
    for (; range_ < kTop; range_ <<= 8) shift_low();
  }
}

void LzmaStreamWriter::tree(LzmaProb* probs, unsigned bits, uint32_t symbol) {
  for (unsigned m = 1; bits-- != 0;) {
    const unsigned b = (symbol >> bits) & 1;
    bit(probs[m], b);
    m = (m << 1) | b;
  }
}

void LzmaStreamWriter::reverse_tree(LzmaProb* probs, unsigned bits, uint32_t symbol) {
  for (unsigned m = 1, i = 0; i < bits; ++i) {
    const unsigned b = (symbol >> i) & 1;
    bit(probs[m], b);
    m = (m << 1) | b;
  }
}

void LzmaStreamWriter::length(LzmaLengthProbs& p, uint32_t n) {
  n -= kLzmaMinMatch;
  bit(p.choice, n >= 8);
  if (n < 8) return tree(p.low[pos_state()], 3, n);
  bit(p.choice2, n >= 16);
  if (n < 16) return tree(p.mid[pos_state()], 3, n - 8);
  tree(p.high, 8, n - 16);
}

void LzmaStreamWriter::copy(uint32_t distance, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i)
    content_.push_back(distance < content_.size() ? content_[content_.size() - distance - 1] : '\0');
}

void LzmaStreamWriter::literal(uint8_t byte) {
  const size_t pos = content_.size();
  bit(model_.is_match[state_][pos_state()], 0);
  const unsigned prev = pos == 0 ? 0 : static_cast<uint8_t>(content_.back());
  LzmaProb* probs = probs_.data() + sizeof(LzmaProbs) / sizeof(LzmaProb) +
                    kLzmaLiteralProbs * (((pos & ((1u << lp_) - 1)) << lc_) + (prev >> (8 - lc_)));
  if (state_ < kLzmaLiteralStates) {
    tree(probs, 8, byte);
  } else {
    // Matched: the byte at the last distance picks the trees until a bit differs.
    const unsigned matched = reps_[0] < pos ? static_cast<uint8_t>(content_[pos - reps_[0] - 1]) : 0;
    bool same = true;
    for (unsigned i = 8, m = 1; i-- != 0;) {
      const unsigned b = (byte >> i) & 1, match_bit = (matched >> i) & 1;
      bit(probs[(same ? 0x100 + (match_bit << 8) : 0) + m], b);
      same = same && b == match_bit;
      m = (m << 1) | b;
    }
  }
  content_.push_back(static_cast<char>(byte));
  state_ = state_after_literal(state_);
}

void LzmaStreamWriter::match(uint32_t distance, uint32_t n) {
  bit(model_.is_match[state_][pos_state()], 1);
  bit(model_.is_rep[state_], 0);
  length(model_.match_length, n);
  const uint32_t d = distance - 1;
  unsigned slot = d;
  if (d >= 4) {
    unsigned top = 31;
    while ((d >> top) == 0) --top;
    slot = 2 * top + ((d >> (top - 1)) & 1);
  }
  tree(model_.dist_slot[length_to_slot_row(n)], 6, slot);
  if (slot >= kLzmaFirstModelSlot) {
    const uint32_t low = d - slot_base(slot);
    if (slot < kLzmaFirstDirectSlot) {
      reverse_tree(model_.dist_special[slot - kLzmaFirstModelSlot], slot_low_bits(slot), low);
    } else {
      direct_bits(low >> kLzmaAlignBits, slot_low_bits(slot) - kLzmaAlignBits);
      reverse_tree(model_.align, kLzmaAlignBits, low & ((1u << kLzmaAlignBits) - 1));
    }
  }
  reps_[3] = reps_[2];
  reps_[2] = reps_[1];
  reps_[1] = reps_[0];
  reps_[0] = d;
  state_ = state_after_match(state_);
  if (d != kLzmaEndMarker) copy(d, n);
}

void LzmaStreamWriter::rep(unsigned index, uint32_t n) {
  bit(model_.is_match[state_][pos_state()], 1);
  bit(model_.is_rep[state_], 1);
  bit(model_.is_rep_g0[state_], index != 0);
  if (index == 0) {
    bit(model_.is_rep0_long[state_][pos_state()], 1);
  } else {
    bit(model_.is_rep_g1[state_], index != 1);
    if (index != 1) bit(model_.is_rep_g2[state_], index != 2);
    const uint32_t d = reps_[index];
    for (unsigned i = index; i != 0; --i) reps_[i] = reps_[i - 1];
    reps_[0] = d;
  }
  length(model_.rep_length, n);
  state_ = state_after_rep(state_);
  copy(reps_[0], n);
}

void LzmaStreamWriter::short_rep() {
  bit(model_.is_match[state_][pos_state()], 1);
  bit(model_.is_rep[state_], 1);
  bit(model_.is_rep_g0[state_], 0);
  bit(model_.is_rep0_long[state_][pos_state()], 0);
  state_ = state_after_short_rep(state_);
  copy(reps_[0], 1);
}

void LzmaStreamWriter::end_marker() { match(kLzmaEndMarker + 1u, kLzmaMinMatch); }

std::string LzmaStreamWriter::finish() {
  for (int i = 0; i < 5; ++i) shift_low();
  std::string out = {9, 20, 5, 0, static_cast<char>((pb_ * 5 + lp_) * 9 + lc_)};
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(dictionary_size_ >> (8 * i)));
  return out + stream_;
}
