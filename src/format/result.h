// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>

namespace tagmere {

// The outcome of an operation that can fail: it worked, or here is why not. `description`
// says why in plain words; the window and the command line put it into their own messages.
struct Status {
    bool ok = true;
    std::string description;

    static Status success() { return {}; }
    static Status failure(std::string why) { return {false, std::move(why)}; }
};

// A Status that also carries what the operation made when it worked.
template <typename T> struct Result : Status {
    T value{};

    Result() = default;
    Result(Status status) : Status(std::move(status)) {}
    Result(T made) : value(std::move(made)) {}
};

} // namespace tagmere
