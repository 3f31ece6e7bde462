// SPDX-License-Identifier: GPL-3.0-or-later
#include "table.h"

#include "json.h"

#include "format/figures.h"
#include "format/hash.h"
#include "format/headercheck.h"
#include "format/keywordcells.h"
#include "format/photometry.h"
#include "format/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <istream>
#include <map>
#include <ostream>
#include <set>

namespace tagmere {

namespace {

constexpr const char* kFolder = "folder";
constexpr const char* kPath = "path";
constexpr const char* kIdentity = "identity";
// The read-only columns, in their order: the check, then the figures.
constexpr std::array<const char*, 4> kCheckColumns{"version", "errors", "warnings", "first error"};
constexpr std::array<const char*, 8> kFigureColumns{
    "flux (lm)",
    "maximum intensity (cd)",
    "beam angle C0-C180 (deg)",
    "beam angle C90-C270 (deg)",
    "field angle C0-C180 (deg)",
    "field angle C90-C270 (deg)",
    "input watts (W)",
    "efficacy (lm/W)",
};
// Standard keywords come first, in the order files usually hold them; others follow sorted.
constexpr const char* kStandardOrder[] = {
    "[TEST]",        "[TESTLAB]",  "[TESTDATE]",     "[NEARFIELD]", "[ISSUEDATE]",     "[DATE]",
    "[MANUFAC]",     "[LUMCAT]",   "[LUMINAIRE]",    "[LAMPCAT]",   "[LAMP]",          "[BALLAST]",
    "[BALLASTCAT]",  "[MAINTCAT]", "[DISTRIBUTION]", "[FLASHAREA]", "[COLORCONSTANT]", "[LAMPPOSITION]",
    "[FILEGENINFO]", "[SEARCH]",   "[OTHER]",        "[BLOCK]",     "[ENDBLOCK]",
};
// A record longer than this is not a row of ours: reading stops rather than grow without end.
constexpr size_t kMaxRecordBytes = 16 * 1024 * 1024;

std::string number(std::optional<double> value, int decimals) {
    // Written the same whatever the user's locale (the window sets one): a point, never a
    // comma; a value that is no number at all has no cell.
    if (!value || !std::isfinite(*value))
        return {};
    char text[400];
    const auto [end, error] = std::to_chars(text, text + sizeof text, *value, std::chars_format::fixed, decimals);
    if (error != std::errc())
        return {};
    // Without trailing zeros, as spreadsheets write numbers back: "100.0" would come back "100".
    std::string number(text, end);
    if (number.find('.') != std::string::npos) {
        number.erase(number.find_last_not_of('0') + 1);
        if (number.back() == '.')
            number.pop_back();
    }
    return number == "-0" ? "0" : number;
}

// The read-only cells as the table shows them, in column order.
std::vector<std::string> readOnlyCells(const TableRow& row) {
    std::vector<std::string> cells{latin1ToUtf8(row.version), std::to_string(row.errors), std::to_string(row.warnings),
                                   latin1ToUtf8(row.firstError)};
    cells.insert(cells.end(), row.figures.begin(), row.figures.end());
    return cells;
}

// A short fingerprint of the read-only cells, kept in the identity, so a changed one is
// noticed without computing the file's figures again.
std::string readOnlyPrint(const std::vector<std::string>& cells) {
    std::string joined;
    for (const auto& cell : cells)
        joined += cell + "\t";
    return hashText(contentHash(joined)).substr(0, 8);
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos &&
        (text.empty() || (text.front() != ' ' && text.back() != ' ')))
        return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

// A value a spreadsheet would read as a date or round as a long number ("2019-05-12",
// "123456789012345") and write back in its own form. Such a cell goes out as the formula
// ="...", which spreadsheets show and save as the text itself; read back, either form counts.
bool spreadsheetWouldChange(std::string_view value) {
    if (value.empty() || value.find('\n') != std::string_view::npos)
        return false;
    size_t digits = 0, separators = 0;
    for (const char c : value) {
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '-' || c == '/' || c == '.' || c == ':')
            ++separators;
        else
            return false;
    }
    return (separators == 0 && digits > 11) || (separators >= 2 && digits >= 3 && value.front() != '-');
}

std::string guardedCell(const std::string& utf8) {
    return spreadsheetWouldChange(utf8) ? "=\"" + utf8 + "\"" : utf8;
}

// The text of a cell written as ="...", or the cell as it is.
std::string unguarded(const std::string& cell) {
    if (cell.size() >= 3 && cell.compare(0, 2, "=\"") == 0 && cell.back() == '"')
        return cell.substr(2, cell.size() - 3);
    return cell;
}

int columnRank(const std::string& keyword) {
    const auto* begin = std::begin(kStandardOrder);
    const auto* end = std::end(kStandardOrder);
    const auto* at = std::find_if(begin, end, [&](const char* k) { return keyword == k; });
    return at == end ? static_cast<int>(end - begin) : static_cast<int>(at - begin);
}

// Rows waiting in a temporary file: strings with their lengths.
void putText(std::FILE* f, std::string_view text) {
    const auto size = static_cast<std::uint32_t>(text.size());
    std::fwrite(&size, sizeof size, 1, f);
    std::fwrite(text.data(), 1, text.size(), f);
}

bool getText(std::FILE* f, std::string& text) {
    std::uint32_t size = 0;
    if (std::fread(&size, sizeof size, 1, f) != 1)
        return false;
    text.resize(size);
    return std::fread(text.data(), 1, size, f) == size;
}

// A JSON line of a table: text values of the top level and of its objects, decoded.
struct JsonRow {
    std::map<std::string, std::string> top;
    std::vector<std::pair<std::string, std::string>> keywords;
    std::map<std::string, std::string> figures;
};

void appendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : m_text(text) {}

    bool row(JsonRow& out) {
        return object([&](const std::string& key) {
                   if (key == "keywords")
                       return object([&](const std::string& k) {
                           std::string v;
                           return scalar(v) && (out.keywords.emplace_back(k, v), true);
                       });
                   if (key == "figures")
                       return object([&](const std::string& k) { return scalar(out.figures[k]); });
                   return scalar(out.top[key]);
               }) &&
               (blanks(), m_pos == m_text.size());
    }

private:
    void blanks() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\r'))
            ++m_pos;
    }
    bool take(char c) {
        blanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    template <typename Member> bool object(Member member) {
        if (!take('{'))
            return false;
        if (take('}'))
            return true;
        do {
            std::string key;
            blanks();
            if (!string(key) || !take(':') || !member(key))
                return false;
        } while (take(','));
        return take('}');
    }
    // A string (decoded to UTF-8), a number as written, or null as "".
    bool scalar(std::string& out) {
        blanks();
        if (m_pos < m_text.size() && m_text[m_pos] == '"')
            return string(out);
        if (m_text.compare(m_pos, 4, "null") == 0) {
            m_pos += 4;
            out.clear();
            return true;
        }
        const size_t start = m_pos;
        while (m_pos < m_text.size() &&
               std::string_view("+-.0123456789eE").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
        out = std::string(m_text.substr(start, m_pos - start));
        return m_pos > start;
    }
    bool string(std::string& out) {
        out.clear();
        if (m_pos >= m_text.size() || m_text[m_pos] != '"')
            return false;
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (++m_pos >= m_text.size())
                return false;
            switch (m_text[m_pos]) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                unsigned long cp = 0;
                if (!hex4(cp))
                    return false;
                if (cp >= 0xD800 && cp < 0xDC00) {
                    unsigned long low = 0;
                    if (m_text.compare(m_pos + 1, 2, "\\u") != 0 || (m_pos += 2, !hex4(low)))
                        return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                appendUtf8(out, cp);
                break;
            }
            default:
                out += m_text[m_pos];
            }
        }
        return false;
    }
    bool hex4(unsigned long& cp) {
        if (m_pos + 4 >= m_text.size())
            return false;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[++m_pos];
            const int d = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
            if (d < 0)
                return false;
            cp = cp * 16 + static_cast<unsigned long>(d);
        }
        return true;
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

// Names were written byte by byte (a byte above 0x7F as its \u00XX): back to those bytes,
// unless the text holds characters no byte stands for (a script wrote UTF-8 itself).
std::string nameBytes(const std::string& utf8) {
    std::string bytes;
    return utf8ToLatin1(utf8, bytes) ? bytes : utf8;
}

} // namespace

std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

bool utf8ToLatin1(std::string_view text, std::string& bytes) {
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        if (u < 0x80) {
            bytes += text[i];
        } else if ((u == 0xC2 || u == 0xC3) && i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            bytes += static_cast<char>(((u & 0x03) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

TableRow tableRow(const std::string& folder, const std::string& path, std::string_view bytes, const Status& read) {
    TableRow row;
    row.folder = folder;
    row.path = path;
    row.figures.assign(kFigureColumns.size(), std::string());
    if (!read.ok) {
        row.unreadable = true;
        row.errors = 1;
        row.firstError = "the file cannot be read: " + read.description;
    } else {
        const FileCheck check = checkFile(bytes);
        row.version = check.version;
        for (const auto& f : check.findings) {
            if (f.severity == Severity::Error) {
                if (row.errors++ == 0)
                    row.firstError = "line " + std::to_string(f.line) + ": " + f.text;
            } else {
                ++row.warnings;
            }
        }
        row.cells = keywordCells(splitLinesForEdit(bytes));
        const PhotometryReading reading = readPhotometry(bytes);
        const FiguresResult figures = computeFigures(reading);
        if (figures.ok) {
            const PhotometricFigures& f = figures.value;
            row.figures = {number(f.flux, 1),
                           number(f.maxIntensity, 1),
                           number(f.beamC0C180, 1),
                           number(f.beamC90C270, 1),
                           number(f.fieldC0C180, 1),
                           number(f.fieldC90C270, 1),
                           number(reading.values.inputWatts, 1),
                           number(f.efficacy, 2)};
        }
    }
    row.identity = contentIdentity(read.ok ? bytes : std::string_view()) + ":" + readOnlyPrint(readOnlyCells(row));
    return row;
}

// ---- Writing

struct TableWriter::Impl {
    TableFormat format;
    std::ostream& out;
    std::FILE* spill = nullptr;
    std::set<std::string> keywords;
    long rows = 0;

    Impl(TableFormat f, std::ostream& o) : format(f), out(o) {}

    void writeJson(const TableRow& row) {
        out << "{\"folder\":" << jsonString(row.folder) << ",\"path\":" << jsonString(row.path)
            << ",\"identity\":" << jsonString(row.identity) << ",\"version\":" << jsonString(row.version)
            << ",\"errors\":" << row.errors << ",\"warnings\":" << row.warnings
            << ",\"first error\":" << jsonString(row.firstError) << ",\"keywords\":{";
        for (size_t i = 0; i < row.cells.size(); ++i)
            out << (i ? "," : "") << jsonString(row.cells[i].first) << ":" << jsonString(row.cells[i].second);
        out << "},\"figures\":{";
        for (size_t i = 0; i < kFigureColumns.size(); ++i)
            out << (i ? "," : "") << jsonString(kFigureColumns[i]) << ":"
                << (row.figures[i].empty() ? std::string("null") : row.figures[i]);
        out << "}}\n";
    }
};

TableWriter::TableWriter(TableFormat format, std::ostream& out) : m_impl(std::make_unique<Impl>(format, out)) {}

TableWriter::~TableWriter() {
    if (m_impl->spill)
        std::fclose(m_impl->spill);
}

Status TableWriter::add(const TableRow& row) {
    Impl& d = *m_impl;
    if (d.format == TableFormat::Json) {
        d.writeJson(row);
        return d.out ? Status::success() : Status::failure("the table cannot be written");
    }
    if (!d.spill && !(d.spill = std::tmpfile()))
        return Status::failure("no temporary file for the table's rows");
    putText(d.spill, row.folder);
    putText(d.spill, row.path);
    putText(d.spill, row.identity);
    for (const auto& cell : readOnlyCells(row))
        putText(d.spill, cell);
    putText(d.spill, std::to_string(row.cells.size()));
    for (const auto& [keyword, cell] : row.cells) {
        d.keywords.insert(keyword);
        putText(d.spill, keyword);
        putText(d.spill, cell);
    }
    ++d.rows;
    return std::ferror(d.spill) ? Status::failure("the table's temporary file cannot be written") : Status::success();
}

Status TableWriter::finish() {
    Impl& d = *m_impl;
    if (d.format == TableFormat::Json)
        return d.out.flush() ? Status::success() : Status::failure("the table cannot be written");
    std::vector<std::string> keywords(d.keywords.begin(), d.keywords.end());
    std::stable_sort(keywords.begin(), keywords.end(),
                     [](const std::string& a, const std::string& b) { return columnRank(a) < columnRank(b); });
    // A byte-order mark, so spreadsheets read the text as UTF-8 without asking.
    d.out << "\xEF\xBB\xBF" << kFolder << "," << kPath << "," << kIdentity;
    for (const char* name : kCheckColumns)
        d.out << "," << csvField(name);
    for (const auto& keyword : keywords)
        d.out << "," << csvField(latin1ToUtf8(keyword));
    for (const char* name : kFigureColumns)
        d.out << "," << csvField(name);
    d.out << "\r\n";
    if (d.spill)
        std::rewind(d.spill);
    const size_t readOnly = kCheckColumns.size() + kFigureColumns.size();
    std::string folder, path, identity, count, keyword, cell;
    std::vector<std::string> fixed(readOnly);
    std::vector<std::string> cells(keywords.size());
    std::map<std::string, size_t> columns;
    for (size_t i = 0; i < keywords.size(); ++i)
        columns.emplace(keywords[i], i);
    for (long r = 0; r < d.rows; ++r) {
        bool ok = getText(d.spill, folder) && getText(d.spill, path) && getText(d.spill, identity);
        for (auto& f : fixed)
            ok = ok && getText(d.spill, f);
        ok = ok && getText(d.spill, count);
        if (!ok)
            return Status::failure("the table's temporary file cannot be read back");
        std::fill(cells.begin(), cells.end(), std::string());
        for (long c = std::stol(count); c > 0; --c) {
            if (!getText(d.spill, keyword) || !getText(d.spill, cell))
                return Status::failure("the table's temporary file cannot be read back");
            cells[columns.at(keyword)] = guardedCell(latin1ToUtf8(cell));
        }
        // Names are UTF-8 already; only the files' own bytes are single-byte text.
        d.out << csvField(folder) << "," << csvField(path) << "," << csvField(identity);
        for (size_t i = 0; i < kCheckColumns.size(); ++i)
            d.out << "," << csvField(fixed[i]);
        for (const auto& c : cells)
            d.out << "," << csvField(c);
        for (size_t i = kCheckColumns.size(); i < readOnly; ++i)
            d.out << "," << csvField(fixed[i]);
        d.out << "\r\n";
    }
    return d.out.flush() ? Status::success() : Status::failure("the table cannot be written");
}

// ---- Reading

struct TableReader::Impl {
    std::istream& in;
    std::string error;
    long number = 1;
    std::vector<std::string> headings;
    int folder = -1, path = -1, identity = -1;
    std::vector<std::pair<int, std::string>> keywordColumns; // column, keyword (single-byte text)
    std::vector<int> readOnlyColumns;                        // in the export's order; -1 where dropped

    bool json = false;

    explicit Impl(std::istream& i) : in(i) {}

    // One line of a JSON table.
    bool line(std::string& text) {
        text.clear();
        std::streambuf* buf = in.rdbuf();
        for (int c; (c = buf->sbumpc()) != std::char_traits<char>::eof();) {
            if (c == '\n') {
                ++number;
                return true;
            }
            if (text.size() >= kMaxRecordBytes) {
                error = "row " + std::to_string(number + 1) + " is longer than a row of a table can be";
                return false;
            }
            text += static_cast<char>(c);
        }
        ++number;
        return !text.empty();
    }

    // One CSV record (RFC 4180: quoted fields may hold commas, quotes and line breaks).
    bool record(std::vector<std::string>& fields) {
        fields.assign(1, std::string());
        std::streambuf* buf = in.rdbuf();
        bool quoted = false, any = false;
        size_t bytes = 0;
        for (int c; (c = buf->sbumpc()) != std::char_traits<char>::eof();) {
            any = true;
            if (++bytes > kMaxRecordBytes) {
                error = "row " + std::to_string(number + 1) + " is longer than a row of a table can be";
                return false;
            }
            const char ch = static_cast<char>(c);
            if (quoted) {
                if (ch == '"') {
                    if (buf->sgetc() == '"')
                        fields.back() += static_cast<char>(buf->sbumpc());
                    else
                        quoted = false;
                } else {
                    fields.back() += ch;
                }
            } else if (ch == '"') {
                quoted = true;
            } else if (ch == ',') {
                fields.emplace_back();
            } else if (ch == '\r' || ch == '\n') {
                if (ch == '\r' && buf->sgetc() == '\n')
                    buf->sbumpc();
                ++number;
                return true;
            } else {
                fields.back() += ch;
            }
        }
        if (quoted)
            error = "row " + std::to_string(number + 1) + " ends inside a quoted field: the table is cut short";
        ++number;
        return any && !quoted;
    }
};

TableReader::TableReader(std::istream& in) : m_impl(std::make_unique<Impl>(in)) {}
TableReader::~TableReader() = default;

Status TableReader::open() {
    Impl& d = *m_impl;
    // A byte-order mark is not part of the first heading.
    if (d.in.rdbuf()->sgetc() == 0xEF) {
        char bom[3];
        d.in.rdbuf()->sgetn(bom, 3);
    }
    d.number = 0;
    // A JSON table names its columns in every row.
    if (d.in.rdbuf()->sgetc() == '{') {
        d.json = true;
        return Status::success();
    }
    if (!d.record(d.headings))
        return Status::failure(d.error.empty() ? "the table is empty" : d.error);
    for (int c = 0; c < static_cast<int>(d.headings.size()); ++c) {
        const std::string& h = d.headings[static_cast<size_t>(c)];
        if (h == kFolder)
            d.folder = c;
        else if (h == kPath)
            d.path = c;
        else if (h == kIdentity)
            d.identity = c;
    }
    if (d.folder < 0 || d.path < 0 || d.identity < 0)
        return Status::failure(
            "the table has no folder, path and identity columns: it is not an export of this program");
    for (int c = 0; c < static_cast<int>(d.headings.size()); ++c) {
        const std::string& h = d.headings[static_cast<size_t>(c)];
        if (startsWith(h, "[")) {
            std::string keyword;
            if (!utf8ToLatin1(h, keyword) || !isValidKeyword(keyword) || keyword == kMoreMarker)
                return Status::failure("the column heading \"" + h +
                                       "\" is not a keyword: a name without blanks or brackets in square brackets");
            d.keywordColumns.emplace_back(c, keyword);
        }
    }
    auto columnOf = [&](const char* name) {
        const auto at = std::find(d.headings.begin(), d.headings.end(), name);
        return at == d.headings.end() ? -1 : static_cast<int>(at - d.headings.begin());
    };
    for (const char* name : kCheckColumns)
        d.readOnlyColumns.push_back(columnOf(name));
    for (const char* name : kFigureColumns)
        d.readOnlyColumns.push_back(columnOf(name));
    return Status::success();
}

bool TableReader::next(Row& row) {
    Impl& d = *m_impl;
    if (d.json) {
        std::string text;
        do {
            if (!d.line(text))
                return false;
        } while (isBlank(text) || text == "\r");
        row = Row();
        row.number = d.number;
        JsonRow json;
        if (!JsonParser(text).row(json)) {
            d.error = "row " + std::to_string(d.number) + " is not a JSON object of this program's tables";
            return false;
        }
        row.folder = nameBytes(json.top["folder"]);
        row.path = nameBytes(json.top["path"]);
        row.identity = json.top["identity"];
        for (auto& [keyword, cell] : json.keywords) {
            std::string bytes;
            if (!utf8ToLatin1(keyword, bytes) || !isValidKeyword(bytes) || bytes == kMoreMarker) {
                d.error = "row " + std::to_string(d.number) + " names \"" + keyword + "\", which is not a keyword";
                return false;
            }
            row.cells.emplace_back(bytes, cell);
        }
        std::vector<std::string> cells;
        for (const char* name : kCheckColumns)
            cells.push_back(json.top[name]);
        for (const char* name : kFigureColumns)
            cells.push_back(json.figures[name]);
        const size_t colon = row.identity.rfind(':');
        row.readOnlyChanged = colon != std::string::npos && row.identity.substr(colon + 1) != readOnlyPrint(cells);
        return true;
    }
    std::vector<std::string> fields;
    do {
        if (!d.record(fields))
            return false;
    } while (fields.size() == 1 && fields[0].empty()); // an empty line ends no row
    row = Row();
    row.number = d.number;
    // More cells than headings: a value with a comma lost its quotes, and every cell after
    // it sits under the wrong heading.
    if (fields.size() > d.headings.size())
        row.problem = "it has " + std::to_string(fields.size()) + " cells under " + std::to_string(d.headings.size()) +
                      " headings (a value with a comma must be quoted)";
    fields.resize(std::max(fields.size(), d.headings.size()));
    auto field = [&](int c) { return c < 0 ? std::string() : fields[static_cast<size_t>(c)]; };
    row.folder = field(d.folder);
    row.path = field(d.path);
    row.identity = field(d.identity);
    for (const auto& [column, keyword] : d.keywordColumns)
        row.cells.emplace_back(keyword, unguarded(field(column)));
    // Only when every read-only column is still there can their fingerprint be compared.
    if (std::find(d.readOnlyColumns.begin(), d.readOnlyColumns.end(), -1) == d.readOnlyColumns.end()) {
        std::vector<std::string> cells;
        for (const int c : d.readOnlyColumns)
            cells.push_back(field(c));
        const size_t colon = row.identity.rfind(':');
        row.readOnlyChanged = colon != std::string::npos && row.identity.substr(colon + 1) != readOnlyPrint(cells);
    }
    return true;
}

const std::string& TableReader::error() const {
    return m_impl->error;
}

// ---- Applying a row

namespace {

// A plain decimal number, as a spreadsheet reads one ("0815", "-1.50", "2e3").
bool plainNumber(const std::string& text, double& value) {
    if (text.empty() || text.find_first_not_of("+-.0123456789eE") != std::string::npos)
        return false;
    // from_chars reads no leading "+" and, unlike strtod, no locale's comma.
    const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// The same number written another way: what a spreadsheet makes of "0815" or "1.50".
bool sameNumber(const std::string& a, const std::string& b) {
    double x = 0, y = 0;
    return plainNumber(a, x) && plainNumber(b, y) && x == y;
}

} // namespace

FileEdit tableRowEdit(const TableReader::Row& row, long* numbersKept) {
    FileEdit edit;
    // The identity is the content's "SIZE:HASH", then the read-only cells' print.
    const size_t colon = row.identity.rfind(':');
    edit.identity = colon == std::string::npos ? row.identity : row.identity.substr(0, colon);
    auto cells = row.cells;
    edit.apply = [cells, numbersKept](FileLines& lines,
                                      const std::function<void(const std::string&, bool)>& told) -> Status {
        // Every cell is compared with the file, and each that differs checked, before any is
        // written: a bad one leaves the whole file; one the user left as exported (even with a
        // byte a spreadsheet could not show) is never in the way of the others.
        const auto present = keywordCells(lines);
        std::vector<std::pair<std::string, std::string>> wanted;
        for (const auto& [keyword, text] : cells) {
            if (text.empty())
                continue;
            std::string cell;
            if (!utf8ToLatin1(text, cell))
                return Status::failure("the value of " + keyword +
                                       " holds a character the file's single-byte text cannot hold");
            // Spreadsheets end a line in a cell with CR LF or LF alike.
            std::string plain;
            for (size_t i = 0; i < cell.size(); ++i) {
                if (cell[i] == '\r')
                    plain += (i + 1 < cell.size() && cell[i + 1] == '\n') ? "" : "\n";
                else
                    plain += cell[i];
            }
            const auto at =
                std::find_if(present.begin(), present.end(), [&](const auto& p) { return p.first == keyword; });
            const bool remove = plain == kRemoveCell;
            if (remove ? at == present.end() : (at != present.end() && at->second == plain))
                continue;
            // Spreadsheets rewrite numbers ("0815" comes back as "815"): the file's own form stays.
            if (!remove && at != present.end() && sameNumber(at->second, plain)) {
                if (numbersKept)
                    ++*numbersKept;
                continue;
            }
            for (const std::string_view piece : splitAt(plain, '\n')) {
                if (hasControlByte(piece))
                    return Status::failure("the value of " + keyword + " holds a control character");
            }
            wanted.emplace_back(keyword, std::move(plain));
        }
        for (const auto& [keyword, cell] : wanted) {
            if (Status set = setKeywordCell(lines, keyword, cell); !set.ok)
                return set;
            told(keyword, cell == kRemoveCell);
        }
        return Status::success();
    };
    return edit;
}

TableFeed feedTable(TableReader& table, BatchRun& run, const std::function<bool(size_t done)>& goOn) {
    namespace fs = std::filesystem;
    TableFeed feed;
    TableReader::Row row;
    size_t done = 0;
    while (table.next(row)) {
        if (done == 0)
            feed.folder = row.folder;
        else if (row.folder != feed.folder)
            feed.severalFolders = true;
        const fs::path relative = fs::u8path(row.path).lexically_normal();
        const std::string file = (fs::u8path(row.folder) / relative).u8string();
        const std::string where = "row " + std::to_string(row.number) + ": ";
        std::error_code ec;
        if (!row.problem.empty()) {
            run.refuseFile(file, where + row.problem);
        } else if (row.folder.empty() || relative.empty() || relative.is_absolute() || *relative.begin() == "..") {
            run.refuseFile(file, where + "its path lies outside its folder");
        } else if (!fs::exists(fs::symlink_status(fs::u8path(file), ec))) {
            run.refuseFile(file, where + "the file is missing");
        } else {
            const FileEdit edit = tableRowEdit(row, &feed.numbersKept);
            if (!run.processFile(file, row.folder, &edit))
                break;
        }
        if (row.readOnlyChanged && feed.readOnlyRow == 0)
            feed.readOnlyRow = row.number;
        if (goOn && !goOn(++done)) {
            run.cancel();
            break;
        }
    }
    feed.damage = table.error();
    return feed;
}

} // namespace tagmere
