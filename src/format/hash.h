// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tagmere {

// A 64-bit fingerprint of a file's content. With the size and the file's identity it tells
// whether a file is still exactly what a run wrote; it is no defence against someone who
// crafts a file to match, which the journal does not need.
std::uint64_t contentHash(std::string_view bytes);

// What a table keeps of a file's content to tell later that it changed: "SIZE:HASH".
std::string contentIdentity(std::string_view bytes);

// The fingerprint as 16 lower-case hex digits, and back (false for anything else).
std::string hashText(std::uint64_t hash);
bool parseHashText(std::string_view text, std::uint64_t& hash);

} // namespace tagmere
