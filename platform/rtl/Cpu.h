// Processor features chosen at run time: the build targets plain x86-64, and
// a routine with a wider path asks here which one to take.
#pragma once

inline bool CpuHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
#else
  return false;
#endif
}

// AVX2 together with fused multiply-add (every AVX2 processor made has both,
// but they are separate feature bits).
inline bool CpuHasAvx2Fma() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool both = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return both;
#else
  return false;
#endif
}
