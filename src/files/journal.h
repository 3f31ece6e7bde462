// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fileinfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The run journal: before a run replaces a file, the file's old text and what it was are
// kept in a folder of that run, so the run can be undone. A run folder below the journal
// folder holds "manifest" (a text file: the run's time and what it did, then one line per
// file, each line with a fingerprint of itself) and "data" (the old texts one after the
// other). Both only ever grow, and both are made durable with the files of each chunk
// before any of them is renamed, so after a power cut every replaced file has its line.
namespace tagmere {

// The journal folder: the runs of every window and command line of this user.
std::string defaultJournalFolder();

inline constexpr int kDefaultRunsKept = 20;

// One file a run replaced.
struct JournalEntry {
    std::string path;          // the real path of the file
    FileIdentity before;       // the file as the run read it (device, number, size, mode, owner)
    std::uint64_t oldHash = 0; // of the old text
    long long dataOffset = 0;  // where the old text starts in "data"
    FileIdentity after;        // the file the run put in place (device, number, size, modification time)
    std::uint64_t newHash = 0;
    long index = 0; // its place among the run's file lines
};

// A run as the list shows it.
struct RunSummary {
    int number = 0;
    std::string time; // local time, "YYYY-MM-DD HH:MM:SS"
    std::string what; // what the run did, in words or as a command line
    long files = 0;
    long long bytes = 0; // the space its folder takes
};

// A run read back for undo: the entries that can be proved, and what could not.
struct RunRecord {
    RunSummary summary;
    std::vector<JournalEntry> entries;
    std::vector<std::string> damaged; // one text per damaged line or missing part
};

// The journal of one run being written. Nothing is written until the first file.
class RunJournal final {
public:
    // `what`: the run's description. The folder is made when the first file is recorded.
    RunJournal(std::string journalFolder, std::string what);
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // What the run did, when it is known only after the journal was made; before open().
    void describe(std::string what);
    // Makes the run's folder now, so a journal that cannot be written stops a run before
    // anything is replaced.
    Status open();
    // Keeps the old text of a file about to be replaced. Fails once the journal has failed.
    Status record(const std::string& path, const FileIdentity& before, std::string_view oldBytes,
                  const FileIdentity& after, std::string_view newBytes);
    // The file of record `index` (0 for the first) was not replaced after all.
    void unplaced(long index);
    // Makes everything recorded durable: called before any recorded file is renamed.
    Status flush();
    // True once a write to the journal has failed: the run must stop.
    bool failed() const;
    // The run's number (0 before open()), and the number of files it recorded.
    int number() const;
    long files() const;
    // A run that recorded nothing leaves no folder behind.
    void close();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The runs of the journal, newest first.
std::vector<RunSummary> listRuns(const std::string& journalFolder);
// One run read back (number 0: the newest). Fails when there is no such run.
Result<RunRecord> readRun(const std::string& journalFolder, int number);
// The old text of an entry, checked against its fingerprint.
Status readOldText(const std::string& journalFolder, int number, const JournalEntry& entry, std::string& bytes);
// Removes the oldest runs until `keep` are left, but never one still being written;
// returns how many were removed.
int pruneRuns(const std::string& journalFolder, int keep);

// How many runs the journal keeps as the window's setting last said (`fallback` when it
// never did), so the command line prunes no run the window's user meant to keep.
int keptRuns(const std::string& journalFolder, int fallback);
void setKeptRuns(const std::string& journalFolder, int keep);

} // namespace tagmere
