// R,G,B <-> B,G,R from one row to another, for the whole-process tools'
// PPM files. Five pixels a step where the processor can shuffle bytes (each
// step writes one byte past its five pixels, which the next step writes
// again). Rows go through a small buffer: reading a file straight into a
// picture's fresh pages was markedly slower.
#pragma once
#include <cstdint>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#if defined(__x86_64__)
__attribute__((target("ssse3"))) inline void SwapRedBlueSsse3(const std::uint8_t* from, std::uint8_t* to, int& x,
                                                               int w) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  for (; x + 6 <= w; x += 5)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 3 * x),
                     _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 3 * x)), order));
}
#endif

inline void SwapRedBlue(const std::uint8_t* from, std::uint8_t* to, int w) {
  int x = 0;
#if defined(__x86_64__)
  if (__builtin_cpu_supports("ssse3")) SwapRedBlueSsse3(from, to, x, w);
#endif
  for (; x < w; ++x) {
    const std::uint8_t r = from[3 * x];
    to[3 * x + 1] = from[3 * x + 1];
    to[3 * x] = from[3 * x + 2];
    to[3 * x + 2] = r;
  }
}
