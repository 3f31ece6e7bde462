// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/journal.h"
#include "message.h"

#include <functional>
#include <string>
#include <vector>

namespace tagmere {

// What undo did with one file of the run.
struct UndoFileResult {
    enum class Fate {
        Restored,   // back to its old text (in a dry run: would be)
        AlreadyOld, // it holds its old text already: the run never replaced it, or it was put back
        LeftAlone,  // changed, moved or removed since the run, or not writable: left as it is
        Failed      // its old text could not be proved or written
    };
    std::string path;
    Fate fate = Fate::Restored;
    std::string reason;
};

struct UndoCallbacks {
    std::function<void(const Message&)> message;
    std::function<void(const UndoFileResult&)> fileDone;
    // Another run holds a folder this undo must wait for.
    std::function<void(const std::string& folder)> waiting;
};

struct UndoOutcome {
    Status status;              // failed: no such run, or its journal cannot be read or written
    bool journalFailed = false; // the undo's own journal could not be written
    RunSummary run;             // the run taken back
    long restored = 0;
    long alreadyOld = 0;
    long leftAlone = 0;
    long failed = 0;
    long damaged = 0; // manifest lines that could not be proved
    bool anyProblem() const { return leftAlone > 0 || failed > 0 || damaged > 0; }
};

// Puts the files of run `number` (0: the newest) of the journal back to their old text,
// through the same locked, durable replacement as a run, and only while a file is still
// exactly what the run wrote (content and identity). `journal` keeps what undo replaces,
// so the undo can be undone too; null for none.
UndoOutcome undoRun(const std::string& journalFolder, int number, bool dryRun, RunJournal* journal,
                    const UndoCallbacks& callbacks);

// One line: "3 restored, 1 left as it is (changed since the run), ..."
std::string undoSummary(const UndoOutcome& outcome, bool dryRun);

// What a run is, in one line of a list or a question: "run 12 of 2026-12-07 10:14:03 (3 files): apply ...".
std::string runDescription(const RunSummary& run);

} // namespace tagmere
