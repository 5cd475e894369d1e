// Separators and line ends in text, found sixteen bytes a step where the
// processor compares that many at once, else eight, for the whole line:
// that costs less than a library call per field or a byte loop.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Calls at(i) for each position i of the byte c in [p, p + n), in order,
// while it returns true.
template <class F>
void vForEachByte(const char* p, size_t n, char c, F&& at) {
  size_t base = 0;
#if defined(__SSE2__)
  const __m128i vC = _mm_set1_epi8(c);
  for (; n - base >= 16; base += 16) {
    __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + base));
    for (unsigned uMarks = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(w, vC)); uMarks; uMarks &= uMarks - 1)
      if (!at(base + (size_t)std::countr_zero(uMarks))) return;
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    const uint64_t kOnes = 0x0101010101010101ull, kLow = 0x7f7f7f7f7f7f7f7full;
    const uint64_t uC = kOnes * (unsigned char)c;
    for (; n - base >= 8; base += 8) {
      uint64_t w;
      memcpy(&w, p + base, 8);
      // The high bit of each byte of a that is zero, and of no other: the
      // low seven bits plus 0x7f carry into the high bit unless all clear,
      // and never into the next byte.
      uint64_t a = w ^ uC;
      for (uint64_t uMarks = ~(((a & kLow) + kLow) | a | kLow); uMarks; uMarks &= uMarks - 1)
        if (!at(base + (size_t)std::countr_zero(uMarks) / 8)) return;
    }
  }
  for (; base < n; base++)
    if (p[base] == c && !at(base)) return;
}

// The first byte a or b in [p, pEnd), or with boHigh the first byte that is
// not ASCII; pEnd when there is none. Eight bytes a step while none of them
// is one.
template <class C>
C* pFindEither(C* p, C* pEnd, char a, char b, bool boHigh = false) {
#if defined(__SSE2__)
  const __m128i vA = _mm_set1_epi8(a), vB = _mm_set1_epi8(b);
  for (; pEnd - p >= 16; p += 16) {
    __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // The compares give 0xFF where a byte is a or b; the mask takes each
    // byte's high bit, which is also a byte that is not ASCII.
    unsigned uMarks = (unsigned)_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(w, vA), _mm_cmpeq_epi8(w, vB)));
    if (boHigh) uMarks |= (unsigned)_mm_movemask_epi8(w);
    if (uMarks) return p + std::countr_zero(uMarks);
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    const uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    const uint64_t uA = kOnes * (unsigned char)a, uB = kOnes * (unsigned char)b, uHigh = boHigh ? kHigh : 0;
    for (; pEnd - p >= 8; p += 8) {
      uint64_t w;
      memcpy(&w, p, 8);
      // A byte of x (y) is zero where w holds a (b): x - 1 sets the high bit
      // of a zero byte, and ~x keeps it only where x's was clear. A borrow
      // may mark a byte above a marked one, never below: the lowest mark is
      // the first stop.
      uint64_t x = w ^ uA, y = w ^ uB;
      uint64_t uMarks = (((x - kOnes) & ~x) | ((y - kOnes) & ~y) | (w & uHigh)) & kHigh;
      if (uMarks) return p + std::countr_zero(uMarks) / 8;
    }
  }
  for (; p < pEnd; p++)
    if (*p == a || *p == b || (boHigh && (unsigned char)*p >= 0x80)) return p;
  return pEnd;
}
