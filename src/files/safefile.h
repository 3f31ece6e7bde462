// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fileinfo.h"
#include "journal.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace tagmere {

// Replaces files safely. Each new text goes to a temporary file beside its original,
// which carries over the original's mode, group, ACL and extended attributes. Staged
// files are made durable together (one flush per file system and chunk), and only
// then renamed over their originals, each only while it is still the file that was
// read. A run also holds an advisory lock on each folder it works in, so two runs never
// edit the same folder at once; the first lock on a folder removes temporary files
// that a killed run left there.
class FileReplacer final {
public:
    // Called once per staged file when its fate is known: success, or why it failed.
    using Done = std::function<void(const std::string& path, const Status& status)>;

    // `chunk` files are staged before they are flushed and renamed together; 1 makes
    // every file durable on its own (single saves).
    explicit FileReplacer(size_t chunk = 64);
    ~FileReplacer(); // discards what is still staged: only commit() writes
    FileReplacer(const FileReplacer&) = delete;
    FileReplacer& operator=(const FileReplacer&) = delete;

    // Takes the lock of the target's folder (waiting for another run; `waiting` is told first).
    Status lockFolder(const EditTarget& target, const std::function<void(const std::string&)>& waiting = {});

    // Every file staged from now on has its old text kept in `journal` first; a staged
    // file whose journal line fails is not written, and nothing of a chunk is renamed
    // before the journal is durable.
    void setJournal(RunJournal* journal);

    // A copy of the old text kept before the original is replaced, at `relative` below the
    // folder `base`: folders are made there (mode 0700) and entered without following a
    // link, and a path that climbs out of `base` is refused. It never overwrites a file:
    // when one is there, ".~N~" is appended. It takes the original's mode, group and
    // attributes, so it is never readable by more users than the original.
    struct Backup {
        std::string base;
        std::string relative;
    };

    // Stages the replacement of `target` (read as `identity` with the text `oldBytes`; a
    // new file when identity.size < 0) by `bytes`. Failures before staging come back at
    // once; later ones and success come through `done`.
    Status stage(const EditTarget& target, const FileIdentity& identity, std::string_view oldBytes,
                 std::string_view bytes, Done done, const Backup* backup = nullptr);

    // Flushes and renames every staged file, then makes the renames durable; a file is
    // reported written only once its folder is flushed.
    void commit();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Replaces one file (an existing one or a new one) and makes it durable before
// returning. A symbolic link is followed to its file within the link's folder.
Status replaceFile(const std::string& path, std::string_view bytes);
// The same, only while the file is still the one read as `expected`: a text shown to
// the user is never saved over a change made since. With a journal, the old text is kept
// there first.
Status replaceFile(const std::string& path, std::string_view bytes, const FileIdentity& expected,
                   RunJournal* journal = nullptr);

// Removes the temporary files that no live run holds from `folder`. Returns how many.
int removeStaleTemporaries(const std::string& folder);

} // namespace tagmere
