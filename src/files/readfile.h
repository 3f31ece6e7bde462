// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fileinfo.h"
#include "format/headercheck.h"
#include "format/linebuffer.h"

#include <string>

// Reading a photometric file from disk, for the readers of the format.
namespace tagmere {

// Photometric files are small text files; anything larger is refused unread.
inline constexpr long long kMaxFileBytes = 64LL * 1024 * 1024;

// Reads a photometric file's bytes. Besides the system's errors it refuses a file that
// is not text (it holds a NUL byte) or is larger than kMaxFileBytes, so that no such
// file is ever rewritten line by line.
Status readTextFile(const std::string& path, std::string& bytes, FileIdentity* identity = nullptr);
// The same through the target's open folder (see EditTarget).
Status readTextFile(const EditTarget& target, std::string& bytes, FileIdentity* identity = nullptr);

// Replaces gstrFileLine by the file's lines. On failure it holds the lines read
// before the error; the user is told "Unable to read file: " + the reason.
Status msbIESFileRead(const std::string& Filename, FileLines& gstrFileLine);

// Reads the file (as the editor does, so a file it would refuse is "unreadable") and checks
// it. The command line and the window both use this, so they agree.
FileCheck checkHeaderFile(const std::string& path);

} // namespace tagmere
