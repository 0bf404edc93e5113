#pragma once
// Hot loops written for the auto-vectoriser get one clone per vector width on x86-64 with GCC;
// the loader picks the widest the CPU supports. The clones run the same operations in the
// same order as the scalar code (no contraction into fused multiply-adds), so every lane
// gives the scalar result bit for bit.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(KVOR_NO_CLONES)
#define KVOR_SIMD_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define KVOR_SIMD_CLONES
#endif
