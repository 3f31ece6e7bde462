// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal.h"

#include "format/hash.h"
#include "platform.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace tagmere {

namespace {

constexpr std::string_view kFirstLine = "tagmere run journal 1";
constexpr const char* kManifest = "manifest";
constexpr const char* kData = "data";
// How many runs the window keeps, so a command line run prunes no more than that.
constexpr const char* kKeepFile = "keep";
constexpr size_t kRunDigits = 6;
constexpr int kNumberTries = 1000;

// Manifest fields are tab-separated, so tabs, line ends and other control bytes in a
// path or a description are written as %XX (and so is % itself).
std::string escaped(std::string_view text) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '%') {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool unescaped(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = hexDigit(text[i + 1]), low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// A manifest line: its fields, then the fingerprint of what comes before it, so a line
// half-written at a power cut or edited by hand is known as damaged.
std::string manifestLine(const std::vector<std::string>& fields) {
    std::string line;
    for (const auto& field : fields)
        line += field + "\t";
    line += hashText(contentHash(line));
    return line + "\n";
}

std::vector<std::string> splitTabs(std::string_view line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
        fields.emplace_back(line.substr(start, tab - start));
    fields.emplace_back(line.substr(start));
    return fields;
}

// The fields of a line whose fingerprint matches, or nothing.
bool checkedFields(std::string_view line, std::vector<std::string>& fields) {
    const size_t tab = line.rfind('\t');
    std::uint64_t check = 0;
    if (tab == std::string_view::npos || !parseHashText(line.substr(tab + 1), check) ||
        contentHash(line.substr(0, tab + 1)) != check)
        return false;
    fields = splitTabs(line.substr(0, tab));
    return true;
}

std::string runName(int number) {
    std::string digits = std::to_string(number);
    return std::string(kRunDigits > digits.size() ? kRunDigits - digits.size() : 0, '0') + digits;
}

fs::path runFolder(const std::string& journalFolder, int number) {
    return fs::u8path(journalFolder) / runName(number);
}

// The run folders' numbers, oldest first.
std::vector<int> runNumbers(const std::string& journalFolder) {
    std::vector<int> numbers;
    std::error_code ec;
    for (fs::directory_iterator it(fs::u8path(journalFolder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().u8string();
        if (name.size() == kRunDigits && name.find_first_not_of("0123456789") == std::string::npos &&
            it->is_directory(ec))
            numbers.push_back(std::atoi(name.c_str()));
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

std::string localTimeText() {
    std::tm local{};
    char text[32] = "";
    if (platform::localTime(std::time(nullptr), local))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string idText(const FileIdentity& id) {
    return std::to_string(id.device) + ":" + std::to_string(id.inode);
}

// Whole numbers as written, never throwing: a line edited by hand is damaged, not fatal.
template <typename T> bool parseWhole(const std::string& text, T& value, int base = 10) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

bool parseNumber(const std::string& text, long long& value) {
    return parseWhole(text, value);
}

bool parseUnsigned(const std::string& text, unsigned long long& value) {
    return parseWhole(text, value);
}

bool parseOctal(const std::string& text, unsigned long long& value) {
    return parseWhole(text, value, 8);
}

bool parsePair(const std::string& text, char separator, unsigned long long& a, unsigned long long& b) {
    const size_t at = text.find(separator);
    return at != std::string::npos && parseUnsigned(text.substr(0, at), a) && parseUnsigned(text.substr(at + 1), b);
}

// A "file" line: path, old size, old hash, data offset, old device:number, mode, owner,
// new size, new hash, new device:number, new modification time as seconds.nanoseconds.
bool parseEntry(const std::vector<std::string>& f, JournalEntry& e) {
    unsigned long long device = 0, inode = 0, seconds = 0, nanoseconds = 0, mode = 0, owner = 0;
    if (f.size() != 12 || f[0] != "file" || !unescaped(f[1], e.path) || !parseNumber(f[2], e.before.size) ||
        !parseHashText(f[3], e.oldHash) || !parseNumber(f[4], e.dataOffset) || !parsePair(f[5], ':', device, inode) ||
        !parseOctal(f[6], mode) || !parseUnsigned(f[7], owner) || !parseNumber(f[8], e.after.size) ||
        !parseHashText(f[9], e.newHash))
        return false;
    e.before.device = device;
    e.before.inode = inode;
    e.before.mode = static_cast<unsigned>(mode);
    e.before.owner = static_cast<unsigned>(owner);
    if (!parsePair(f[10], ':', device, inode) || !parsePair(f[11], '.', seconds, nanoseconds))
        return false;
    e.after.device = device;
    e.after.inode = inode;
    e.after.modifiedSec = static_cast<long long>(seconds);
    e.after.modifiedNsec = static_cast<long long>(nanoseconds);
    return true;
}

// Reads a run's manifest; `entries` may be null when only the summary is wanted.
Status readManifest(const fs::path& folder, RunSummary& summary, std::vector<JournalEntry>* entries,
                    std::vector<std::string>& damaged) {
    std::ifstream in(folder / kManifest, std::ios::binary);
    if (!in)
        return Status::failure("its manifest cannot be read");
    std::string line;
    if (!std::getline(in, line) || line != kFirstLine)
        return Status::failure("its manifest does not begin as a run journal's");
    long number = 1;
    std::vector<std::string> fields;
    std::vector<long> unplaced;
    long fileLines = 0;
    while (std::getline(in, line)) {
        ++number;
        const bool ended = !in.eof();
        JournalEntry entry;
        if (!ended || !checkedFields(line, fields)) {
            damaged.push_back("line " + std::to_string(number) + " of its manifest is damaged");
        } else if (fields.size() == 2 && fields[0] == "time") {
            summary.time = fields[1];
        } else if (fields.size() == 2 && fields[0] == "what") {
            unescaped(fields[1], summary.what);
        } else if (fields.size() == 2 && fields[0] == "unplaced") {
            long long index = 0;
            if (parseNumber(fields[1], index))
                unplaced.push_back(static_cast<long>(index));
        } else if (parseEntry(fields, entry)) {
            ++summary.files;
            entry.index = fileLines++;
            if (entries)
                entries->push_back(std::move(entry));
        } else {
            damaged.push_back("line " + std::to_string(number) + " of its manifest is not understood");
        }
    }
    // Files the run staged but never put in place are not the run's to take back.
    std::sort(unplaced.begin(), unplaced.end());
    unplaced.erase(std::unique(unplaced.begin(), unplaced.end()), unplaced.end());
    summary.files -= static_cast<long>(
        std::count_if(unplaced.begin(), unplaced.end(), [&](long i) { return i >= 0 && i < fileLines; }));
    if (entries)
        entries->erase(std::remove_if(entries->begin(), entries->end(),
                                      [&](const JournalEntry& e) {
                                          return std::binary_search(unplaced.begin(), unplaced.end(), e.index);
                                      }),
                       entries->end());
    return Status::success();
}

long long folderBytes(const fs::path& folder) {
    long long bytes = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const auto size = it->file_size(ec);
        if (!ec)
            bytes += static_cast<long long>(size);
    }
    return bytes;
}

} // namespace

std::string defaultJournalFolder() {
    return (fs::u8path(platform::stateFolder()) / "runs").u8string();
}

struct RunJournal::Impl {
    std::string journalFolder;
    std::string what;
    int number = 0;
    long files = 0;
    long long dataSize = 0;
    Status failed;
    std::string pendingLines; // manifest lines written at the next flush, with the chunk
    std::unique_ptr<platform::AppendFile> manifest;
    std::unique_ptr<platform::AppendFile> data;

    Status fail(const std::string& why) {
        failed = Status::failure("the run journal in " + platform::displayPath(journalFolder) +
                                 " could not be written: " + why);
        return failed;
    }
};

RunJournal::RunJournal(std::string journalFolder, std::string what) : m_impl(std::make_unique<Impl>()) {
    m_impl->journalFolder = std::move(journalFolder);
    m_impl->what = std::move(what);
}

RunJournal::~RunJournal() {
    // A run that ends early (a bad target, an exception) leaves no empty run behind.
    close();
}

void RunJournal::describe(std::string what) {
    m_impl->what = std::move(what);
}

Status RunJournal::open() {
    Impl& d = *m_impl;
    if (!d.failed.ok || d.manifest)
        return d.failed;
    const std::vector<int> taken = runNumbers(d.journalFolder);
    int number = taken.empty() ? 1 : taken.back() + 1;
    for (int tries = 0; tries < kNumberTries; ++tries, ++number) {
        // Two runs that start together both make the folder; the manifest, made only
        // where none is, decides whose number it is.
        EditTarget folder;
        if (Status status = platform::openFolderBelow(d.journalFolder, runName(number), folder); !status.ok)
            return d.fail(status.description);
        std::error_code ec;
        if (fs::exists(runFolder(d.journalFolder, number) / kManifest, ec))
            continue;
        if (Status status = platform::createAppendFile(folder, kManifest, d.manifest); !status.ok) {
            if (fs::exists(runFolder(d.journalFolder, number) / kManifest, ec))
                continue;
            return d.fail(status.description);
        }
        if (Status status = platform::createAppendFile(folder, kData, d.data); !status.ok)
            return d.fail(status.description);
        // The run's folder must outlive a power cut as surely as the files the run replaces
        // (and the journal's folder, when the first run just made it).
        if (Status status = platform::syncFolder(d.journalFolder); !status.ok)
            return d.fail(status.description);
        platform::syncFolder(fs::u8path(d.journalFolder).parent_path().u8string());
        d.number = number;
        const std::string header = std::string(kFirstLine) + "\n" + manifestLine({"time", localTimeText()}) +
                                   manifestLine({"what", escaped(d.what)});
        if (Status status = platform::appendTo(*d.manifest, header); !status.ok)
            return d.fail(status.description);
        return Status::success();
    }
    return d.fail("no free run number");
}

Status RunJournal::record(const std::string& path, const FileIdentity& before, std::string_view oldBytes,
                          const FileIdentity& after, std::string_view newBytes) {
    Impl& d = *m_impl;
    if (Status status = open(); !status.ok)
        return status;
    if (Status status = platform::appendTo(*d.data, oldBytes); !status.ok)
        return d.fail(status.description);
    char mode[16];
    std::snprintf(mode, sizeof mode, "%o", before.mode);
    // Undo may run from another folder: the path is kept whole.
    const std::string whole = fs::absolute(fs::u8path(path)).lexically_normal().u8string();
    const std::string line =
        manifestLine({"file", escaped(whole), std::to_string(oldBytes.size()), hashText(contentHash(oldBytes)),
                      std::to_string(d.dataSize), idText(before), mode, std::to_string(before.owner),
                      std::to_string(newBytes.size()), hashText(contentHash(newBytes)), idText(after),
                      std::to_string(after.modifiedSec) + "." + std::to_string(after.modifiedNsec)});
    d.dataSize += static_cast<long long>(oldBytes.size());
    d.pendingLines += line;
    ++d.files;
    return Status::success();
}

Status RunJournal::flush() {
    Impl& d = *m_impl;
    if (!d.failed.ok || !d.manifest)
        return d.failed;
    if (!d.pendingLines.empty()) {
        if (Status status = platform::appendTo(*d.manifest, d.pendingLines); !status.ok)
            return d.fail(status.description);
        d.pendingLines.clear();
    }
    for (auto* file : {d.data.get(), d.manifest.get()}) {
        if (Status status = platform::flushAppendFile(*file); !status.ok)
            return d.fail(status.description);
    }
    return Status::success();
}

void RunJournal::unplaced(long index) {
    m_impl->pendingLines += manifestLine({"unplaced", std::to_string(index)});
}

bool RunJournal::failed() const {
    return !m_impl->failed.ok;
}

int RunJournal::number() const {
    return m_impl->number;
}

long RunJournal::files() const {
    return m_impl->files;
}

void RunJournal::close() {
    Impl& d = *m_impl;
    // The last "unplaced" lines; losing them to a power cut costs only a note from undo.
    if (d.manifest && !d.pendingLines.empty() && d.failed.ok && platform::appendTo(*d.manifest, d.pendingLines).ok)
        platform::flushAppendFile(*d.manifest);
    d.pendingLines.clear();
    d.manifest.reset();
    d.data.reset();
    if (d.number > 0 && d.files == 0) {
        std::error_code ec;
        fs::remove_all(runFolder(d.journalFolder, d.number), ec);
        d.number = 0;
    }
}

std::vector<RunSummary> listRuns(const std::string& journalFolder) {
    std::vector<RunSummary> runs;
    const std::vector<int> numbers = runNumbers(journalFolder);
    for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
        RunSummary summary;
        summary.number = *it;
        std::vector<std::string> damaged;
        const fs::path folder = runFolder(journalFolder, *it);
        // A folder whose manifest is unreadable is still listed, so it can be seen and removed.
        if (!readManifest(folder, summary, nullptr, damaged).ok && summary.what.empty())
            summary.what = "(its manifest cannot be read)";
        summary.bytes = folderBytes(folder);
        runs.push_back(std::move(summary));
    }
    return runs;
}

Result<RunRecord> readRun(const std::string& journalFolder, int number) {
    if (number == 0) {
        // The newest run that replaced something: a run still at work, or cut before its
        // first chunk, has no file to take back.
        for (const RunSummary& run : listRuns(journalFolder)) {
            if (run.files > 0) {
                number = run.number;
                break;
            }
        }
        if (number == 0)
            return Status::failure("the run journal in " + platform::displayPath(journalFolder) + " holds no run");
    }
    const fs::path folder = runFolder(journalFolder, number);
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return Status::failure("there is no run " + std::to_string(number) + " in the run journal in " +
                               platform::displayPath(journalFolder));
    RunRecord record;
    record.summary.number = number;
    if (Status status = readManifest(folder, record.summary, &record.entries, record.damaged); !status.ok)
        return Status::failure("run " + std::to_string(number) + " cannot be undone: " + status.description);
    record.summary.bytes = folderBytes(folder);
    return record;
}

Status readOldText(const std::string& journalFolder, int number, const JournalEntry& entry, std::string& bytes) {
    const fs::path data = runFolder(journalFolder, number) / kData;
    std::error_code ec;
    const auto dataSize = static_cast<long long>(fs::file_size(data, ec));
    // A line that claims more than the data holds is damaged, however well it checks.
    if (ec || entry.dataOffset > dataSize || entry.before.size > dataSize - entry.dataOffset)
        return Status::failure("its old text is missing from the run journal");
    std::ifstream in(data, std::ios::binary);
    bytes.assign(static_cast<size_t>(entry.before.size), '\0');
    if (!in || !in.seekg(entry.dataOffset) || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return Status::failure("its old text is missing from the run journal");
    if (contentHash(bytes) != entry.oldHash)
        return Status::failure("its old text in the run journal is damaged");
    return Status::success();
}

int pruneRuns(const std::string& journalFolder, int keep) {
    const std::vector<int> numbers = runNumbers(journalFolder);
    int removed = 0;
    for (size_t i = 0; i + static_cast<size_t>(std::max(keep, 0)) < numbers.size(); ++i) {
        // A run another window or command line is still writing is never removed under it.
        if (platform::appendFileInUse((runFolder(journalFolder, numbers[i]) / kManifest).u8string()))
            continue;
        std::error_code ec;
        if (fs::remove_all(runFolder(journalFolder, numbers[i]), ec) > 0 && !ec)
            ++removed;
    }
    return removed;
}

int keptRuns(const std::string& journalFolder, int fallback) {
    std::ifstream in(fs::u8path(journalFolder) / kKeepFile, std::ios::binary);
    int keep = 0;
    return in >> keep && keep >= 1 ? keep : fallback;
}

void setKeptRuns(const std::string& journalFolder, int keep) {
    if (keptRuns(journalFolder, 0) == keep)
        return;
    // Losing it costs only the default, so a rename without a flush is enough.
    const fs::path file = fs::u8path(journalFolder) / kKeepFile;
    fs::path part = file;
    part += ".part";
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (std::ofstream(part, std::ios::binary | std::ios::trunc) << keep << "\n")
        fs::rename(part, file, ec);
}

} // namespace tagmere
