// SPDX-License-Identifier: GPL-3.0-or-later
#include "safefile.h"

#include "platform.h"

#include <random>

// The system calls of the replacement live in platform_posix.cpp and
// platform_windows.cpp; what both share is here.

namespace tagmere {

namespace {

constexpr std::string_view kTempPrefix = ".~tagmere-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr size_t kTempRandomDigits = 16;

} // namespace

namespace platform {

std::string temporaryFileName() {
    static std::mt19937_64 rng(std::random_device{}() ^ (static_cast<unsigned long long>(processId()) << 32));
    static const char* const hex = "0123456789abcdef";
    unsigned long long r = rng();
    std::string name(kTempPrefix);
    for (size_t i = 0; i < kTempRandomDigits; ++i, r >>= 4)
        name += hex[r & 15];
    return name += kTempSuffix;
}

bool matchesTemporaryPattern(std::string_view name) {
    if (name.size() != kTempPrefix.size() + kTempRandomDigits + kTempSuffix.size() ||
        name.compare(0, kTempPrefix.size(), kTempPrefix) != 0 ||
        name.compare(name.size() - kTempSuffix.size(), kTempSuffix.size(), kTempSuffix) != 0)
        return false;
    for (char c : name.substr(kTempPrefix.size(), kTempRandomDigits)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

} // namespace platform

bool isTemporaryName(std::string_view fileName) {
    return platform::matchesTemporaryPattern(fileName);
}

} // namespace tagmere
