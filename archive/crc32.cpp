#include "archive/crc32.h"

#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define SFX_CRC_FOLDING 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

// Entry i is the remainder of the single byte i. Made at the first call, in
// zeroed memory: a constant table would add its kilobyte to the program file.
uint32_t crc_table[256];

void make_table() {
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    crc_table[i] = c;
  }
}

uint32_t crc32_update(uint8_t b, uint32_t crc) { return crc_table[(crc ^ b) & 0xFF] ^ (crc >> 8); }

}  // namespace

#ifdef SFX_CRC_FOLDING
namespace {

// Carry-less multiplication folds 64 bytes per step (four 128-bit lanes),
// then reduces to 32 bits (Barrett). The constants are powers of x modulo
// the polynomial, bit-reflected like the register: x^(4*128+32), x^(4*128-32)
// for four lanes; x^(128+32), x^(128-32) for one; x^64; then P' and mu.
#define FOLDING_TARGET __attribute__((target("pclmul,sse4.1")))

FOLDING_TARGET __m128i load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// x times the two constants of k, plus the next 128 bits.
FOLDING_TARGET __m128i fold(__m128i x, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), _mm_clmulepi64_si128(x, k, 0x00)),
                       next);
}

FOLDING_TARGET uint32_t crc32_folded(uint32_t crc, const uint8_t* data, size_t count) {
  const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
  const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
  const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
  const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
  const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
  __m128i x1 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = load(data + 16), x3 = load(data + 32), x4 = load(data + 48);
  data += 64;
  count -= 64;
  for (; count >= 64; data += 64, count -= 64) {
    x1 = fold(x1, k1k2, load(data));
    x2 = fold(x2, k1k2, load(data + 16));
    x3 = fold(x3, k1k2, load(data + 32));
    x4 = fold(x4, k1k2, load(data + 48));
  }
  x1 = fold(x1, k3k4, x2);
  x1 = fold(x1, k3k4, x3);
  x1 = fold(x1, k3k4, x4);
  for (; count >= 16; data += 16, count -= 16) x1 = fold(x1, k3k4, load(data));
  // 128 bits to 64, then Barrett reduction to 32.
  __m128i x = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
  x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, low32), k5, 0x00), _mm_srli_si128(x, 4));
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, low32), poly, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), poly, 0x00);
  crc = static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x, t), 1));
  for (; count > 0; --count) crc = crc32_update(*data++, crc);
  return crc;
}

// CPUID leaf 1 tells whether the processor has PCLMULQDQ and SSE4.1 (every
// x86-64 one of the last decade; 32-bit Windows also runs on older ones,
// which take the tables). Asked once; a constant start value needs no guard.
bool has_folding() {
  static int supported = -1;
  if (supported < 0) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    supported = __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL) && (c & bit_SSE4_1) ? 1 : 0;
  }
  return supported == 1;
}

}  // namespace
#endif

uint32_t crc32_byte(uint32_t crc, uint8_t b) {
  if (crc_table[1] == 0) make_table();
  return crc32_update(b, crc);
}

uint32_t crc32_block(uint32_t crc, const uint8_t* data, size_t count) {
  if (crc_table[1] == 0) make_table();
#ifdef SFX_CRC_FOLDING
  if (count >= 64 && has_folding()) return crc32_folded(crc, data, count);
#endif
  while (count--) crc = crc32_update(*data++, crc);
  return crc;
}
