// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

// Bytes looked at 64 at a time, one bit per byte: the check walks every byte of every file
// of a library, and one compare per byte made it several times slower than reading them.
// Where SSE2 is not there (TAGMERE_BYTE_BLOCKS undefined) the callers go a byte at a time;
// -DTAGMERE_NO_BYTE_BLOCKS makes them do so anyway, to test that way on any machine.
#if defined(__SSE2__) && defined(__GNUC__) && !defined(TAGMERE_NO_BYTE_BLOCKS)
#include <emmintrin.h>
#define TAGMERE_BYTE_BLOCKS 1
#endif

namespace tagmere::bytescan {

inline constexpr std::size_t kBlock = 64;

// Of a mask that is not 0.
inline int lowestBit(unsigned long long bits) {
#if defined(__GNUC__)
    return __builtin_ctzll(bits);
#else
    int n = 0;
    for (; !(bits & 1); bits >>= 1)
        ++n;
    return n;
#endif
}

inline int highestBit(unsigned long long bits) {
#if defined(__GNUC__)
    return 63 - __builtin_clzll(bits);
#else
    int n = 63;
    for (; !(bits >> 63); bits <<= 1)
        --n;
    return n;
#endif
}

// Without -mpopcnt the builtin is a library call; this is a few instructions.
inline int bitCount(unsigned long long bits) {
    bits -= (bits >> 1) & 0x5555555555555555ULL;
    bits = (bits & 0x3333333333333333ULL) + ((bits >> 2) & 0x3333333333333333ULL);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int>((bits * 0x0101010101010101ULL) >> 56);
}

// The bits from `from` on (0 to 64).
inline unsigned long long bitsFrom(std::size_t from) {
    return from >= kBlock ? 0 : ~0ULL << from;
}

#ifdef TAGMERE_BYTE_BLOCKS
inline __m128i load16(const char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

inline __m128i equal16(__m128i bytes, char c) {
    return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c));
}

// The matching bytes of 16 as bits `shift` to `shift` + 15.
inline unsigned long long bits16(__m128i matches, int shift) {
    return static_cast<unsigned long long>(static_cast<unsigned>(_mm_movemask_epi8(matches))) << shift;
}

// Bit i set where byte i of the 64 at `at` is `c`.
inline unsigned long long equal64(const char* at, char c) {
    return bits16(equal16(load16(at), c), 0) | bits16(equal16(load16(at + 16), c), 16) |
           bits16(equal16(load16(at + 32), c), 32) | bits16(equal16(load16(at + 48), c), 48);
}
#endif

} // namespace tagmere::bytescan
