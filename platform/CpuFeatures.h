// Processor features that select the variants of the inner loops at run time.
#pragma once

// Plain C++ runs on every processor.
inline bool CpuRunsPortableCode() { return true; }

// Every target the module builds for runs SSE2: x86-64 has it, and the
// 32-bit build compiles all of its code for it.
inline bool CpuHasSse2() { return true; }

// True when the processor and the operating system run AVX2 and FMA code.
inline bool CpuHasAvx2Fma() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  return has;
#else
  return false;
#endif
}

// True when the processor and the operating system run AVX-512 code with
// 16-bit integer lanes (AVX512F and AVX512BW).
inline bool CpuHasAvx512() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
  }();
  return has;
#else
  return false;
#endif
}

// True when AVX-512 code runs and the processor has the fused 16-bit pair
// multiply-adds (AVX512_VNNI, CPUID leaf 7 ECX bit 11). The compiler's check
// counts the feature only where the operating system saves the AVX-512 state.
inline bool CpuHasAvx512Vnni() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool has = CpuHasAvx512() && __builtin_cpu_supports("avx512vnni");
  return has;
#else
  return false;
#endif
}
