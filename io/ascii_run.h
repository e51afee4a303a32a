// The runs of ASCII that make up nearly all of a program, copied between bytes and UTF-16 in
// blocks: most of the time of decoding and encoding is spent here.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestrum {

// Eight bytes, or four UTF-16 code units, that are all ASCII.
inline bool IsAsciiBlock(const unsigned char* p) {
  std::uint64_t block;
  std::memcpy(&block, p, 8);
  return (block & 0x8080808080808080u) == 0;
}
inline bool IsAsciiBlock(const char16_t* p) {
  std::uint64_t block;
  std::memcpy(&block, p, 8);
  return (block & 0xFF80FF80FF80FF80u) == 0;
}

// The ASCII bytes at the start of p[0, n), written to o as code units; how many there were.
inline std::size_t WidenAscii(const unsigned char* p, std::size_t n, char16_t* o) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(b) != 0) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + i), _mm_unpacklo_epi8(b, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + i + 8), _mm_unpackhi_epi8(b, zero));
  }
#endif
  for (; i + 8 <= n && IsAsciiBlock(p + i); i += 8) {
    for (int k = 0; k < 8; ++k) o[i + k] = p[i + k];
  }
  for (; i < n && p[i] < 0x80; ++i) o[i] = p[i];
  return i;
}

// The ASCII code units at the start of p[0, n): how many there are, and with o given, written
// to o as bytes.
inline std::size_t NarrowAscii(const char16_t* p, std::size_t n, char* o) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
  for (; i + 16 <= n; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8));
    const __m128i over = _mm_and_si128(_mm_or_si128(a, b), high);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(over, zero)) != 0xFFFF) break;
    if (o) _mm_storeu_si128(reinterpret_cast<__m128i*>(o + i), _mm_packus_epi16(a, b));
  }
#endif
  for (; i + 4 <= n && IsAsciiBlock(p + i); i += 4) {
    if (!o) continue;
    for (int k = 0; k < 4; ++k) o[i + k] = static_cast<char>(p[i + k]);
  }
  for (; i < n && p[i] < 0x80; ++i) {
    if (o) o[i] = static_cast<char>(p[i]);
  }
  return i;
}

}  // namespace kestrum
