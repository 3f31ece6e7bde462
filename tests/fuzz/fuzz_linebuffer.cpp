// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/keywordedit.h"
#include "format/linebuffer.h"
#include "format/text.h"
#include "fuzzcheck.h"

#include <array>
#include <cstdint>
#include <string>

using namespace tagmere;

// Reads a file's bytes into lines and edits them: the buffer keeps element 0 empty,
// a removed keyword is gone from every line, removing it twice changes nothing the
// second time, and writing then reading the lines gives the non-blank lines back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::array<const char*, 5> kKeywords{"[MANUFAC]", "[MORE]", "[_SEARCH_CRI]", "[TEST]", "[A"};
    if (size == 0)
        return 0;
    const std::string keyword = kKeywords[data[0] % kKeywords.size()];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    FileLines lines = splitLines(bytes);
    FUZZ_CHECK(!lines.empty() && lines[0].empty());
    for (size_t i = 1; i < lines.size(); ++i)
        FUZZ_CHECK(lines[i].find_first_of("\r\n") == std::string::npos);

    // Written and read again, only the blank lines are gone.
    const FileLines reread = splitLines(joinLinesForWrite(lines));
    size_t k = 1;
    for (size_t i = 1; i < lines.size(); ++i) {
        if (isBlank(lines[i]))
            continue;
        FUZZ_CHECK(k < reread.size() && reread[k] == lines[i]);
        ++k;
    }
    FUZZ_CHECK(k == reread.size());

    FileLines removed = lines;
    msbAddReplaceKeyword(removed, keyword, {}, {""}, true);
    FUZZ_CHECK(!removed.empty() && removed[0].empty());
    for (size_t i = 1; i < removed.size(); ++i)
        FUZZ_CHECK(removed[i].find(keyword) == std::string::npos);
    FileLines twice = removed;
    msbAddReplaceKeyword(twice, keyword, {}, {""}, true);
    FUZZ_CHECK(twice == removed);

    // Edited by runs of untouchable lines, the file comes out as edited line by line.
    for (const bool remove : {true, false}) {
        FileLines byLine = lines;
        FileLines byRun = splitLinesForEdit(bytes);
        msbAddReplaceKeyword(byLine, keyword, keyword + " v", {""}, remove);
        msbAddReplaceKeyword(byRun, keyword, keyword + " v", {""}, remove);
        FUZZ_CHECK(joinLinesForWrite(byLine) == joinLinesForWrite(byRun));
    }

    // Adding puts the line (and its continuation) before every TILT= line.
    FileLines added = lines;
    const std::string line = keyword + " value";
    msbAddReplaceKeyword(added, keyword, line, {"", "[MORE] more"}, false);
    FUZZ_CHECK(!added.empty() && added[0].empty());
    size_t tilts = 0, inserted = 0;
    for (size_t i = 1; i < added.size(); ++i) {
        if (startsWith(added[i], "TILT=")) {
            ++tilts;
            FUZZ_CHECK(i >= 3 && added[i - 2] == line && added[i - 1] == "[MORE] more");
        }
        if (added[i] == line)
            ++inserted;
    }
    FUZZ_CHECK(inserted == tilts);
    return 0;
}
