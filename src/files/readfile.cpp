// SPDX-License-Identifier: GPL-3.0-or-later
#include "readfile.h"

namespace tagmere {

namespace {

Status refuseBinary(Status status, const std::string& bytes) {
    if (status.ok && bytes.find('\0') != std::string::npos)
        return Status::failure("it holds NUL bytes, so it is not a photometric text file");
    return status;
}

} // namespace

Status readTextFile(const std::string& path, std::string& bytes, FileIdentity* identity) {
    return refuseBinary(readWholeFile(path, bytes, kMaxFileBytes, identity), bytes);
}

Status readTextFile(const EditTarget& target, std::string& bytes, FileIdentity* identity) {
    return refuseBinary(readWholeFile(target, bytes, kMaxFileBytes, identity), bytes);
}

Status msbIESFileRead(const std::string& Filename, FileLines& gstrFileLine) {
    std::string bytes;
    const Status status = readTextFile(Filename, bytes);
    gstrFileLine = splitLines(bytes);
    return status;
}

FileCheck checkHeaderFile(const std::string& path) {
    std::string bytes;
    const Status read = readTextFile(path, bytes);
    if (!read.ok)
        return {{}, {{finding::kUnreadable, Severity::Error, 1, "cannot read the file: " + read.description}}};
    return checkFile(bytes);
}

} // namespace tagmere
