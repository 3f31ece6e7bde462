// SPDX-License-Identifier: GPL-3.0-or-later
#include "diff.h"

#include "linebuffer.h"

#include <algorithm>
#include <vector>

namespace tagmere {

namespace {

constexpr size_t kContext = 3;
// Above this many cells the middle of two files is shown as removed and added whole
// rather than aligned line by line; it keeps memory bounded for files whose every
// line changed (such as a change of line ends).
constexpr size_t kMaxAlignCells = 4'000'000;

std::vector<std::string_view> linesWithEnds(std::string_view text) {
    std::vector<std::string_view> lines;
    for (const RawLine& line : rawLines(text))
        lines.push_back(line.withEnd());
    return lines;
}

std::string_view withoutEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

// Which line ends a text uses: bit 0 CR LF, bit 1 LF, bit 2 CR.
unsigned endKinds(std::string_view text) {
    unsigned kinds = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            const bool crlf = i + 1 < text.size() && text[i + 1] == '\n';
            kinds |= crlf ? 1u : 4u;
            i += crlf ? 1 : 0;
        } else if (text[i] == '\n') {
            kinds |= 2u;
        }
    }
    return kinds;
}

enum class Op { Same, Del, Add };
struct Edit {
    Op op;
    size_t a; // index in before (Same, Del)
    size_t b; // index in after (Same, Add)
};

std::vector<Edit> align(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
    size_t pre = 0;
    while (pre < a.size() && pre < b.size() && a[pre] == b[pre])
        ++pre;
    size_t suf = 0;
    while (suf < a.size() - pre && suf < b.size() - pre && a[a.size() - 1 - suf] == b[b.size() - 1 - suf])
        ++suf;
    const size_t n = a.size() - pre - suf, m = b.size() - pre - suf;

    std::vector<Edit> edits;
    for (size_t i = 0; i < pre; ++i)
        edits.push_back({Op::Same, i, i});
    if ((n + 1) * (m + 1) <= kMaxAlignCells) {
        // Longest common subsequence of the middle parts.
        std::vector<unsigned> lcs((n + 1) * (m + 1), 0);
        auto at = [&](size_t i, size_t j) -> unsigned& { return lcs[i * (m + 1) + j]; };
        for (size_t i = n; i-- > 0;)
            for (size_t j = m; j-- > 0;)
                at(i, j) = a[pre + i] == b[pre + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
        size_t i = 0, j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && a[pre + i] == b[pre + j]) {
                edits.push_back({Op::Same, pre + i++, pre + j++});
            } else if (i < n && (j == m || at(i + 1, j) >= at(i, j + 1))) {
                edits.push_back({Op::Del, pre + i++, 0});
            } else {
                edits.push_back({Op::Add, 0, pre + j++});
            }
        }
    } else {
        for (size_t i = 0; i < n; ++i)
            edits.push_back({Op::Del, pre + i, 0});
        for (size_t j = 0; j < m; ++j)
            edits.push_back({Op::Add, 0, pre + j});
    }
    for (size_t k = 0; k < suf; ++k)
        edits.push_back({Op::Same, a.size() - suf + k, b.size() - suf + k});
    return edits;
}

void appendLine(std::string& out, char mark, std::string_view line) {
    out += mark;
    out += line;
    if (line.empty() || line.back() != '\n')
        out += line.empty() || line.back() != '\r' ? "\n\\ No newline at end of file\n" : "\n";
}

std::string range(size_t start, size_t count) {
    // Line numbers are 1-based; an empty range names the line before it.
    const size_t first = count == 0 ? start : start + 1;
    return count == 1 ? std::to_string(first) : std::to_string(first) + "," + std::to_string(count);
}

} // namespace

std::string lineEndNote(std::string_view before, std::string_view after) {
    const unsigned was = endKinds(before), now = endKinds(after);
    if (was == now || now == 0)
        return {};
    const char* name = now == 1u ? "CR LF" : now == 2u ? "LF" : now == 4u ? "CR" : "mixed";
    return std::string("line ends become ") + name;
}

std::string unifiedDiff(const std::string& label, std::string_view before, std::string_view after,
                        bool ignoreLineEnds) {
    if (before == after)
        return {};
    auto a = linesWithEnds(before);
    auto b = linesWithEnds(after);
    if (ignoreLineEnds) {
        for (auto& line : a)
            line = withoutEnd(line);
        for (auto& line : b)
            line = withoutEnd(line);
    }
    const auto edits = align(a, b);
    const auto put = [&](std::string& text, char mark, std::string_view line) {
        if (!ignoreLineEnds) {
            appendLine(text, mark, line);
            return;
        }
        text += mark;
        text += line;
        text += '\n';
    };

    std::string out = "--- " + label + "\n+++ " + label + "\n";
    size_t k = 0;
    while (k < edits.size()) {
        while (k < edits.size() && edits[k].op == Op::Same)
            ++k;
        if (k == edits.size())
            break;
        // Grow the hunk while changes lie within twice the context of each other.
        size_t start = k >= kContext ? k - kContext : 0;
        size_t end = k;
        size_t sameRun = 0;
        for (size_t x = k; x < edits.size(); ++x) {
            if (edits[x].op == Op::Same) {
                if (++sameRun > 2 * kContext)
                    break;
            } else {
                sameRun = 0;
                end = x + 1;
            }
        }
        const size_t stop = std::min(edits.size(), end + kContext);
        size_t aStart = 0, bStart = 0, aCount = 0, bCount = 0;
        bool aSet = false, bSet = false;
        // Where each side's range starts: the first line of that side in the hunk, or
        // the position after the preceding lines when the side has none.
        size_t aBefore = 0, bBefore = 0;
        for (size_t x = 0; x < start; ++x) {
            if (edits[x].op != Op::Add)
                ++aBefore;
            if (edits[x].op != Op::Del)
                ++bBefore;
        }
        for (size_t x = start; x < stop; ++x) {
            if (edits[x].op != Op::Add) {
                if (!aSet)
                    aStart = edits[x].a, aSet = true;
                ++aCount;
            }
            if (edits[x].op != Op::Del) {
                if (!bSet)
                    bStart = edits[x].b, bSet = true;
                ++bCount;
            }
        }
        if (!aSet)
            aStart = aBefore;
        if (!bSet)
            bStart = bBefore;
        out += "@@ -" + range(aStart, aCount) + " +" + range(bStart, bCount) + " @@\n";
        for (size_t x = start; x < stop; ++x) {
            const Edit& e = edits[x];
            if (e.op == Op::Same)
                put(out, ' ', ignoreLineEnds ? b[e.b] : a[e.a]); // the new text
            else if (e.op == Op::Del)
                put(out, '-', a[e.a]);
            else
                put(out, '+', b[e.b]);
        }
        k = stop;
    }
    if (ignoreLineEnds && out.find("\n@@ ") == std::string::npos)
        return {};
    return out;
}

std::string previewDiff(const std::string& label, std::string_view before, std::string_view after) {
    if (before == after)
        return {};
    // A run writes CR LF throughout: a file with other line ends would show every line as
    // changed, hiding the keyword line that does. The note says it once instead.
    const std::string note = lineEndNote(before, after);
    std::string diff = unifiedDiff(label, before, after, true);
    if (diff.empty()) {
        // Only line ends differ. Without a note (a last line that gains its end) the
        // exact diff shows where.
        if (note.empty())
            return unifiedDiff(label, before, after);
        diff = "--- " + label + "\n+++ " + label + "\n";
    }
    return note.empty() ? diff : note + "\n" + diff;
}

} // namespace tagmere
