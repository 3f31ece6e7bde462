// SPDX-License-Identifier: GPL-3.0-or-later
#include "hash.h"

#include <cstring>

namespace tagmere {

namespace {

// Four lanes of multiply-rotate over 32-byte stripes, then the tail, then an avalanche:
// eight bytes a step keeps the journal's fingerprints well below the cost of the write.
constexpr std::uint64_t kP1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kP2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kP3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kP4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t kP5 = 0x27D4EB2F165667C5ULL;

std::uint64_t rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

// Little-endian reads, so a fingerprint is the same on every system; one load where the
// system is little-endian itself.
std::uint64_t read64(const unsigned char* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
#else
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
#endif
}

std::uint64_t read32(const unsigned char* p) {
    return static_cast<std::uint64_t>(p[0]) | static_cast<std::uint64_t>(p[1]) << 8 |
           static_cast<std::uint64_t>(p[2]) << 16 | static_cast<std::uint64_t>(p[3]) << 24;
}

std::uint64_t round(std::uint64_t acc, std::uint64_t input) {
    return rotl(acc + input * kP2, 31) * kP1;
}

std::uint64_t merge(std::uint64_t acc, std::uint64_t lane) {
    return (acc ^ round(0, lane)) * kP1 + kP4;
}

} // namespace

std::uint64_t contentHash(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* const end = p + bytes.size();
    std::uint64_t h;
    if (bytes.size() >= 32) {
        std::uint64_t v1 = kP1 + kP2, v2 = kP2, v3 = 0, v4 = 0 - kP1;
        for (; end - p >= 32; p += 32) {
            v1 = round(v1, read64(p));
            v2 = round(v2, read64(p + 8));
            v3 = round(v3, read64(p + 16));
            v4 = round(v4, read64(p + 24));
        }
        h = rotl(v1, 1) + rotl(v2, 7) + rotl(v3, 12) + rotl(v4, 18);
        h = merge(merge(merge(merge(h, v1), v2), v3), v4);
    } else {
        h = kP5;
    }
    h += bytes.size();
    for (; end - p >= 8; p += 8)
        h = rotl(h ^ round(0, read64(p)), 27) * kP1 + kP4;
    if (end - p >= 4) {
        h = rotl(h ^ (read32(p) * kP1), 23) * kP2 + kP3;
        p += 4;
    }
    for (; p < end; ++p)
        h = rotl(h ^ (*p * kP5), 11) * kP1;
    h ^= h >> 33;
    h *= kP2;
    h ^= h >> 29;
    h *= kP3;
    return h ^ (h >> 32);
}

std::string contentIdentity(std::string_view bytes) {
    return std::to_string(bytes.size()) + ":" + hashText(contentHash(bytes));
}

std::string hashText(std::uint64_t hash) {
    static const char* const hex = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        text[static_cast<size_t>(i)] = hex[hash & 15];
    return text;
}

bool parseHashText(std::string_view text, std::uint64_t& hash) {
    if (text.size() != 16)
        return false;
    std::uint64_t v = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return false;
        v = (v << 4) | static_cast<std::uint64_t>(digit);
    }
    hash = v;
    return true;
}

} // namespace tagmere
