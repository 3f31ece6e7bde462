// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch.h"

#include "format/hash.h"

#include "files/readfile.h"
#include "format/keywordedit.h"
#include "format/text.h"

#include <algorithm>
#include <memory>

namespace tagmere {

namespace {

constexpr size_t kLineLimit = 250;

RunKeyword& runKeyword(std::vector<RunKeyword>& list, const std::string& text) {
    auto it = std::find_if(list.begin(), list.end(), [&](const RunKeyword& k) { return k.text == text; });
    if (it != list.end())
        return *it;
    list.push_back({text, false});
    return list.back();
}

void say(const BatchCallbacks& callbacks, const Message& message) {
    if (callbacks.message)
        callbacks.message(message);
}

} // namespace

Message batchReport(const BatchOutcome& outcome) {
    std::string text =
        "The following Keyword(s) were modified in (" + std::to_string(outcome.fileCount) + ") file(s):\r\r";
    for (const auto& entry : outcome.entries)
        text += entry + "\r";
    return plainMessage(text);
}

void composeKeywordLine(const std::string& keyword, const std::vector<std::string>& values, std::string& line,
                        std::vector<std::string>& more) {
    std::string joined;
    more.assign(1, std::string());
    for (const auto& value : values) {
        // The separators do not count towards the limit, so existing files split where they always did.
        if (keyword.size() + joined.size() + value.size() > kLineLimit) {
            if (more.size() > 1 && more.back().size() + value.size() < kLineLimit)
                more.back() += ", " + value;
            else
                more.push_back("[MORE] " + value);
        } else {
            if (!joined.empty())
                joined += ", ";
            joined += value;
        }
    }
    line = keyword + " " + joined;
}

std::vector<TreeEdit> treeEdits(const BatchTrees& trees, std::vector<RunKeyword>& met) {
    std::vector<TreeEdit> edits;
    for (const auto& tree : trees) {
        for (size_t n = 0; n < tree.size(); ++n) {
            const BatchNode& node = tree[n];
            if (!node.checked || !startsWith(node.text, "["))
                continue;
            RunKeyword& keyword = runKeyword(met, node.text);
            std::vector<std::string> values;
            for (size_t v = n + 1; v < tree.size() && !startsWith(tree[v].text, "["); ++v) {
                if (tree[v].checked && !isBlank(tree[v].text)) {
                    keyword.hasValue = true;
                    values.push_back(tree[v].text);
                }
            }
            TreeEdit edit{node.text, {}, {}, !keyword.hasValue};
            composeKeywordLine(node.text, values, edit.line, edit.more);
            edits.push_back(std::move(edit));
        }
    }
    return edits;
}

std::string batchSummary(const BatchOutcome& outcome, bool dryRun) {
    return std::to_string(outcome.written) + (dryRun ? " would change, " : " written, ") +
           std::to_string(outcome.unchanged) + " unchanged, " + std::to_string(outcome.refused) + " refused, " +
           std::to_string(outcome.failed) + " failed";
}

Status editProblem(const MiscPanel& panel, const BatchTrees& trees, const std::vector<ExtraEdit>& extras) {
    auto badValue = [](const std::string& keyword) {
        return Status::failure("The value for " + keyword +
                               " holds a line break or another control character, which would break the "
                               "file's lines. Please change!");
    };
    auto badKeyword = [](const std::string& keyword) {
        return Status::failure("\"" + keyword +
                               "\" is not a keyword that can be written or removed: a keyword is a name without "
                               "blanks or brackets in square brackets, such as [TESTLAB], and not [MORE].");
    };
    for (const auto& edit : composeMisc(panel)) {
        if (hasControlByte(edit.line))
            return badValue(edit.keyword);
    }
    for (const auto& tree : trees) {
        std::string keyword;
        bool ticked = false;
        for (const auto& node : tree) {
            if (startsWith(node.text, "[")) {
                keyword = node.text;
                ticked = node.checked;
                if (ticked && !isValidKeyword(keyword))
                    return badKeyword(keyword);
            } else if (ticked && node.checked && hasControlByte(node.text)) {
                return badValue(keyword);
            }
        }
    }
    for (const auto& extra : extras) {
        if (!isValidKeyword(extra.keyword))
            return badKeyword(extra.keyword);
        if (hasControlByte(extra.line))
            return badValue(extra.keyword);
    }
    return Status::success();
}

BatchRun::BatchRun(MiscPanel panel, BatchTrees trees, std::vector<ExtraEdit> extras, BatchCallbacks callbacks,
                   BatchOptions options)
    : m_panel(std::move(panel)), m_trees(std::move(trees)), m_extras(std::move(extras)),
      m_callbacks(std::move(callbacks)), m_options(std::move(options)), m_miscEdits(composeMisc(m_panel)) {}

BatchRun::~BatchRun() = default;

bool BatchRun::start() {
    Status check = advanceCheck(m_panel);
    if (check.ok)
        check = editProblem(m_panel, m_trees, m_extras);
    if (!check.ok) {
        say(m_callbacks, warningMessage(check.description));
        m_outcome.status = BatchStatus::AdvanceCheckFailed;
        return false;
    }
    if (m_options.journal && !m_options.dryRun) {
        if (const Status opened = m_options.journal->open(); !opened.ok) {
            say(m_callbacks, warningMessage("Nothing was changed: " + opened.description + "."));
            m_outcome.status = BatchStatus::JournalFailed;
            return false;
        }
        m_replacer.setJournal(m_options.journal);
    }
    return true;
}

void BatchRun::done(const BatchFileResult& result) {
    if (result.readFailed || result.writeFailed)
        ++m_outcome.failed;
    else if (result.refused)
        ++m_outcome.refused;
    else if (result.after == result.before)
        ++m_outcome.unchanged;
    else
        ++m_outcome.written;
    if (m_callbacks.fileDone)
        m_callbacks.fileDone(result);
}

void BatchRun::refuse(BatchFileResult& result, const std::string& reason) {
    result.refused = true;
    result.reason = reason;
    if (!m_options.dryRun)
        say(m_callbacks, plainMessage("Unable to perform edit: " + result.path + ": " + reason));
}

void BatchRun::refuseFile(const std::string& path, const std::string& reason) {
    ++m_outcome.fileCount;
    BatchFileResult result;
    result.path = path;
    refuse(result, reason);
    done(result);
}

bool BatchRun::processFile(const std::string& path, const std::string& root, const FileEdit* edit) {
    if (stopped())
        return false;
    ++m_outcome.fileCount;
    const std::vector<std::string> noMore(1);

    BatchFileResult result;
    result.path = path;
    EditTarget target;
    FileIdentity identity;
    Status read = resolveEditTarget(path, root, target, &m_lastTarget);
    m_lastTarget = target;
    if (target.escapes) {
        refuse(result, read.description);
        done(result);
        return true;
    }
    if (read.ok && !m_options.dryRun)
        read = m_replacer.lockFolder(target, m_callbacks.waiting);
    if (read.ok)
        read = readTextFile(target, result.before, &identity);
    FileLines lines = splitLinesForEdit(result.before);
    const std::string lastLine = lines.size() > 1 ? lines.back() : std::string();
    const KeywordPlace place = keywordPlaceOf(lines);
    if (!read.ok) {
        // Never write a file we could not read in full: its content would be lost.
        result.readFailed = true;
        say(m_callbacks, plainMessage("Unable to read file: " + path + ": " + read.description));
    }

    for (const auto& edit : m_miscEdits) {
        if (edit.keyword == kSearchColorTemp) {
            if (const Status check = colorTempCheck(m_panel.txtSearchColorTemp); !check.ok) {
                say(m_callbacks, warningMessage(check.description));
                m_outcome.status = BatchStatus::ColorTempFailed;
                return false;
            }
        }
        msbAddReplaceKeyword(lines, edit.keyword, edit.line, noMore, false, place);
        if (std::find(m_miscReported.begin(), m_miscReported.end(), edit.keyword) == m_miscReported.end())
            m_miscReported.push_back(edit.keyword);
    }

    for (const TreeEdit& edit : treeEdits(m_trees, m_runKeywords))
        msbAddReplaceKeyword(lines, edit.keyword, edit.line, edit.more, edit.remove, place);

    for (const auto& extra : m_extras) {
        RunKeyword& keyword = runKeyword(m_runKeywords, extra.keyword);
        if (!extra.remove)
            keyword.hasValue = true;
        msbAddReplaceKeyword(lines, extra.keyword, extra.line, noMore, extra.remove, place);
    }

    if (edit && !result.readFailed) {
        if (contentIdentity(result.before) != edit->identity) {
            refuse(result, "it changed since the table was made, so it was left as it is");
            done(result);
            return true;
        }
        bool changed = false;
        const Status edited = edit->apply(lines, [this, &changed](const std::string& keyword, bool removed) {
            changed = true;
            RunKeyword& k = runKeyword(m_runKeywords, keyword);
            if (!removed)
                k.hasValue = true;
        });
        if (!edited.ok) {
            refuse(result, edited.description);
            done(result);
            return true;
        }
        // A row whose cells all match leaves the file byte for byte, line ends and all.
        if (!changed && m_miscEdits.empty() && m_extras.empty() &&
            std::all_of(m_trees.begin(), m_trees.end(), [](const auto& tree) { return tree.empty(); })) {
            result.after = result.before;
            done(result);
            return true;
        }
    }

    // Bytes after the data without a line end (a DOS end-of-file byte) stay as they were.
    const bool lastLineEnded = endsWithLineEnd(result.before) || lines.size() < 2 || lines.back() != lastLine;
    result.after = result.readFailed ? result.before : joinLinesForWrite(lines, lastLineEnded);
    // Rewriting identical bytes would change nothing but the file's date.
    if (result.readFailed || result.after == result.before) {
        done(result);
        return true;
    }
    if (std::none_of(lines.begin(), lines.end(), [](const std::string& l) { return startsWith(l, kTiltPrefix); })) {
        refuse(result, "it has no TILT= line, so it is not a photometric file the edit can keep whole");
    } else if (const std::string why = refusalReason(target, identity); !why.empty()) {
        refuse(result, why);
    }
    if (result.refused || m_options.dryRun) {
        done(result);
        return true;
    }

    const std::string backupPath = m_callbacks.backupPath ? m_callbacks.backupPath(path, root) : std::string();
    // The outcome is known once the file is flushed and renamed, a chunk of files later.
    auto pending = std::make_shared<BatchFileResult>(std::move(result));
    const FileReplacer::Backup backup{m_options.backupFolder, backupPath};
    // Viewed only after the move: a short text moves its bytes with it.
    const Status staged = m_replacer.stage(
        target, identity, pending->before, pending->after,
        [this, pending](const std::string&, const Status& status) {
            if (!status.ok) {
                pending->writeFailed = true;
                say(m_callbacks, plainMessage("Unable to perform edit: " + pending->path + ": " + status.description));
            }
            done(*pending);
        },
        backupPath.empty() ? nullptr : &backup);
    if (!staged.ok) {
        pending->writeFailed = true;
        say(m_callbacks, plainMessage("Unable to perform edit: " + pending->path + ": " + staged.description));
        done(*pending);
        // Without its journal the run could not be undone: it goes no further.
        if (m_options.journal && m_options.journal->failed()) {
            m_outcome.status = BatchStatus::JournalFailed;
            return false;
        }
    }
    return true;
}

void BatchRun::cancel() {
    if (m_outcome.status == BatchStatus::Completed)
        m_outcome.status = BatchStatus::Cancelled;
}

bool BatchRun::stopped() const {
    return m_outcome.status == BatchStatus::ColorTempFailed || m_outcome.status == BatchStatus::AdvanceCheckFailed ||
           m_outcome.status == BatchStatus::JournalFailed;
}

BatchOutcome BatchRun::finish() {
    m_replacer.commit();
    if (m_options.journal)
        m_options.journal->close();
    BatchOutcome outcome = m_outcome;
    if (outcome.status == BatchStatus::ColorTempFailed || outcome.status == BatchStatus::AdvanceCheckFailed ||
        (outcome.status == BatchStatus::JournalFailed && outcome.fileCount == 0))
        return outcome;
    outcome.entries = m_miscReported;
    for (const auto& keyword : m_runKeywords)
        outcome.entries.push_back(keyword.hasValue ? keyword.text : keyword.text + "- Removed");
    return outcome;
}

BatchOutcome runBatch(const std::vector<std::string>& targets, const MiscPanel& panel, const BatchTrees& trees,
                      const std::vector<ExtraEdit>& extras, const BatchCallbacks& callbacks,
                      const BatchOptions& options) {
    BatchRun run(panel, trees, extras, callbacks, options);
    if (!run.start())
        return run.finish();
    for (size_t t = 0; t < targets.size(); ++t) {
        if (!run.processFile(targets[t], options.root))
            break;
        if (callbacks.progress && !callbacks.progress(t + 1, targets.size()) && t + 1 < targets.size()) {
            run.cancel();
            break;
        }
    }
    return run.finish();
}

} // namespace tagmere
