#include "batch.h"

#include "keywordedit.h"
#include "text.h"

#include <algorithm>

namespace tagmere {

namespace {

constexpr size_t kLineLimit = 250;

// A run keyword: first met order is the report order; has-a-value is never reset.
struct RunKeyword {
    std::string text;
    bool hasValue = false;
};

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
        // The length tests leave out the separators, as the lines have always been laid out.
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

BatchOutcome runBatch(const std::vector<std::string>& targets, const MiscPanel& panel, const BatchTrees& trees,
                      const std::vector<ExtraEdit>& extras, const BatchCallbacks& callbacks,
                      const BatchOptions& options) {
    BatchOutcome outcome;
    if (const auto failure = advanceCheck(panel)) {
        say(callbacks, *failure);
        outcome.status = BatchStatus::AdvanceCheckFailed;
        return outcome;
    }

    const std::vector<KeywordEdit> miscEdits = composeMisc(panel);
    std::vector<std::string> miscReported;
    std::vector<RunKeyword> runKeywords;
    const std::vector<std::string> noMore(1);
    DeferredSync pendingSync;

    for (size_t t = 0; t < targets.size(); ++t) {
        const std::string& path = targets[t];
        ++outcome.fileCount;

        BatchFileResult result;
        result.path = path;
        const FileStatus read = readTextFile(path, result.before);
        FileLines lines = splitLines(result.before);
        if (!read.ok) {
            // Never write a file we could not read in full: its content would be lost.
            result.readFailed = true;
            outcome.anyFileFailed = true;
            say(callbacks, plainMessage("Unable to read file: " + path + ": " + read.description));
        }

        for (const auto& edit : miscEdits) {
            if (edit.keyword == kSearchColorTemp) {
                if (const auto failure = colorTempCheck(panel.txtSearchColorTemp)) {
                    say(callbacks, *failure);
                    outcome.status = BatchStatus::ColorTempFailed;
                    pendingSync.flush();
                    return outcome;
                }
            }
            msbAddReplaceKeyword(lines, edit.keyword, edit.line, noMore, false);
            if (std::find(miscReported.begin(), miscReported.end(), edit.keyword) == miscReported.end())
                miscReported.push_back(edit.keyword);
        }

        for (const auto& tree : trees) {
            for (size_t n = 0; n < tree.size(); ++n) {
                const BatchNode& node = tree[n];
                if (!node.checked || !startsWith(node.text, "["))
                    continue;
                RunKeyword& keyword = runKeyword(runKeywords, node.text);
                std::vector<std::string> values;
                for (size_t v = n + 1; v < tree.size() && !startsWith(tree[v].text, "["); ++v) {
                    if (tree[v].checked && !isBlank(tree[v].text)) {
                        keyword.hasValue = true;
                        values.push_back(tree[v].text);
                    }
                }
                std::string line;
                std::vector<std::string> more;
                composeKeywordLine(node.text, values, line, more);
                msbAddReplaceKeyword(lines, node.text, line, more, !keyword.hasValue);
            }
        }

        for (const auto& extra : extras) {
            RunKeyword& keyword = runKeyword(runKeywords, extra.keyword);
            if (!extra.remove)
                keyword.hasValue = true;
            msbAddReplaceKeyword(lines, extra.keyword, extra.line, noMore, extra.remove);
        }

        if (!result.readFailed) {
            result.after = joinLinesForWrite(lines);
            // Rewriting identical bytes would change nothing but the file's date.
            if (!options.dryRun && result.after != result.before) {
                FileStatus status = callbacks.beforeWrite ? callbacks.beforeWrite(path) : FileStatus::success();
                if (status.ok)
                    status = replaceFile(path, result.after, options.durability);
                if (status.ok) {
                    if (options.durability == Durability::Deferred)
                        pendingSync.add(path);
                } else {
                    result.writeFailed = true;
                    outcome.anyFileFailed = true;
                    say(callbacks, plainMessage("Unable to perform edit: " + path + ": " + status.description));
                }
            }
        } else {
            result.after = result.before;
        }
        if (callbacks.fileDone)
            callbacks.fileDone(result);
        if (callbacks.progress && !callbacks.progress(t + 1, targets.size()) && t + 1 < targets.size()) {
            outcome.status = BatchStatus::Cancelled;
            break;
        }
    }

    pendingSync.flush();

    outcome.entries = miscReported;
    for (const auto& keyword : runKeywords)
        outcome.entries.push_back(keyword.hasValue ? keyword.text : keyword.text + "- Removed");
    return outcome;
}

} // namespace tagmere
