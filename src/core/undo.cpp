// SPDX-License-Identifier: GPL-3.0-or-later
#include "undo.h"

#include "files/readfile.h"
#include "files/safefile.h"
#include "format/hash.h"

#include <memory>

namespace tagmere {

namespace {

using Fate = UndoFileResult::Fate;

// The device number is left out: it is the kernel's name for this mount, and a drive mounted
// again (after a power cut, a disk plugged back in) may get another. The file's number, size,
// time to the nanosecond and content still prove it is the file the run wrote.
bool isWhatTheRunWrote(const JournalEntry& e, const FileIdentity& now, std::uint64_t hash) {
    return now.inode == e.after.inode && now.size == e.after.size &&
           now.modifiedSec == e.after.modifiedSec && now.modifiedNsec == e.after.modifiedNsec && hash == e.newHash;
}

class Undo {
public:
    Undo(const std::string& journalFolder, bool dryRun, RunJournal* journal, const UndoCallbacks& callbacks)
        : m_journalFolder(journalFolder), m_dryRun(dryRun), m_callbacks(callbacks) {
        m_replacer.setJournal(journal);
    }

    UndoOutcome run(int number, RunJournal* journal) {
        Result<RunRecord> record = readRun(m_journalFolder, number);
        if (!record.ok) {
            m_outcome.status = record;
            return m_outcome;
        }
        m_outcome.run = record.value.summary;
        m_number = record.value.summary.number;
        for (const std::string& why : record.value.damaged) {
            ++m_outcome.damaged;
            say(plainMessage("Run " + std::to_string(m_number) + ": " + why +
                             "; a file it names cannot be proved, so it is left as it is."));
        }
        if (journal && !m_dryRun) {
            journal->describe("undo of run " + std::to_string(m_number));
            if (Status opened = journal->open(); !opened.ok) {
                m_outcome.status = opened;
                m_outcome.journalFailed = true;
                return m_outcome;
            }
        }
        // Newest first, so a file a run met twice ends as it was before the first time.
        const auto& entries = record.value.entries;
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            restore(*it);
            if (journal && journal->failed()) {
                m_outcome.journalFailed = true;
                break;
            }
        }
        m_replacer.commit();
        if (journal)
            journal->close();
        return m_outcome;
    }

private:
    void say(const Message& message) {
        if (m_callbacks.message)
            m_callbacks.message(message);
    }

    void done(UndoFileResult result) {
        switch (result.fate) {
        case Fate::Restored:
            ++m_outcome.restored;
            break;
        case Fate::AlreadyOld:
            ++m_outcome.alreadyOld;
            break;
        case Fate::LeftAlone:
            ++m_outcome.leftAlone;
            break;
        case Fate::Failed:
            ++m_outcome.failed;
            break;
        }
        if (!m_dryRun && (result.fate == Fate::LeftAlone || result.fate == Fate::Failed))
            say(plainMessage("Not restored: " + result.path + ": " + result.reason));
        if (m_callbacks.fileDone)
            m_callbacks.fileDone(result);
    }

    void restore(const JournalEntry& entry) {
        UndoFileResult result;
        result.path = entry.path;
        auto leave = [&](Fate fate, const std::string& why) {
            result.fate = fate;
            result.reason = why;
            done(result);
        };
        EditTarget target;
        Status status = resolveEditTarget(entry.path, {}, target, &m_lastTarget);
        m_lastTarget = target;
        if (status.ok && !m_dryRun)
            status = m_replacer.lockFolder(target, m_callbacks.waiting);
        FileIdentity now;
        std::string current;
        if (status.ok)
            status = readWholeFile(target, current, kMaxFileBytes, &now);
        if (!status.ok)
            return leave(Fate::LeftAlone, status.description);
        const std::uint64_t hash = contentHash(current);
        if (now.size == entry.before.size && hash == entry.oldHash)
            return leave(Fate::AlreadyOld, "it holds its text from before the run");
        if (!isWhatTheRunWrote(entry, now, hash))
            return leave(Fate::LeftAlone, "it changed since the run, so it was left as it is");
        if (!samePermissions(now, entry.before))
            return leave(Fate::LeftAlone, "its permissions or owner changed since the run, so it was left as it is");
        if (const std::string why = refusalReason(target, now); !why.empty())
            return leave(Fate::LeftAlone, why);
        auto old = std::make_shared<std::string>();
        if (Status read = readOldText(m_journalFolder, m_number, entry, *old); !read.ok)
            return leave(Fate::Failed, read.description);
        if (m_dryRun)
            return done(result);
        auto pending = std::make_shared<UndoFileResult>(result);
        const Status staged =
            m_replacer.stage(target, now, current, *old, [this, pending, old](const std::string&, const Status& s) {
                if (!s.ok) {
                    pending->fate = Fate::Failed;
                    pending->reason = s.description;
                }
                done(*pending);
            });
        if (!staged.ok)
            leave(Fate::Failed, staged.description);
    }

    const std::string m_journalFolder;
    const bool m_dryRun;
    const UndoCallbacks& m_callbacks;
    int m_number = 0;
    UndoOutcome m_outcome;
    EditTarget m_lastTarget;
    // Last, so it goes first: nothing reports into the members above once they are gone.
    FileReplacer m_replacer;
};

std::string plural(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

UndoOutcome undoRun(const std::string& journalFolder, int number, bool dryRun, RunJournal* journal,
                    const UndoCallbacks& callbacks) {
    Undo undo(journalFolder, dryRun, dryRun ? nullptr : journal, callbacks);
    return undo.run(number, dryRun ? nullptr : journal);
}

std::string undoSummary(const UndoOutcome& o, bool dryRun) {
    std::string text = std::to_string(o.restored) + (dryRun ? " would be restored" : " restored");
    if (o.alreadyOld > 0)
        text += ", " + std::to_string(o.alreadyOld) + " already as before the run";
    if (o.leftAlone > 0)
        text += ", " + std::to_string(o.leftAlone) + " left as they are (changed since the run)";
    if (o.failed > 0)
        text += ", " + std::to_string(o.failed) + " failed";
    if (o.damaged > 0)
        text += ", " + plural(o.damaged, "damaged journal line", "damaged journal lines");
    return text;
}

std::string runDescription(const RunSummary& run) {
    return "run " + std::to_string(run.number) + " of " + run.time + " (" + plural(run.files, "file", "files") +
           "): " + run.what;
}

} // namespace tagmere
