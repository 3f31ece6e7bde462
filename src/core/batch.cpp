#include "batch.h"

#include "keywordedit.h"
#include "text.h"

#include <algorithm>

namespace tagmere {

namespace {

constexpr size_t kLineLimit = 250;

using RunKeyword = BatchRun::RunKeyword;

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

BatchRun::BatchRun(const MiscPanel& panel, const BatchTrees& trees, const std::vector<ExtraEdit>& extras,
                   const BatchCallbacks& callbacks, const BatchOptions& options)
    : m_panel(panel), m_trees(trees), m_extras(extras), m_callbacks(callbacks), m_options(options),
      m_miscEdits(composeMisc(panel)) {}

BatchRun::~BatchRun() = default;

bool BatchRun::start() {
    if (const auto failure = advanceCheck(m_panel)) {
        say(m_callbacks, *failure);
        m_outcome.status = BatchStatus::AdvanceCheckFailed;
        return false;
    }
    return true;
}

bool BatchRun::processFile(const std::string& path) {
    if (stopped())
        return false;
    ++m_outcome.fileCount;
    const std::vector<std::string> noMore(1);

    BatchFileResult result;
    result.path = path;
    const FileStatus read = readTextFile(path, result.before);
    FileLines lines = splitLines(result.before);
    if (!read.ok) {
        // Never write a file we could not read in full: its content would be lost.
        result.readFailed = true;
        m_outcome.anyFileFailed = true;
        say(m_callbacks, plainMessage("Unable to read file: " + path + ": " + read.description));
    }

    for (const auto& edit : m_miscEdits) {
        if (edit.keyword == kSearchColorTemp) {
            if (const auto failure = colorTempCheck(m_panel.txtSearchColorTemp)) {
                say(m_callbacks, *failure);
                m_outcome.status = BatchStatus::ColorTempFailed;
                m_pendingSync.flush();
                return false;
            }
        }
        msbAddReplaceKeyword(lines, edit.keyword, edit.line, noMore, false);
        if (std::find(m_miscReported.begin(), m_miscReported.end(), edit.keyword) == m_miscReported.end())
            m_miscReported.push_back(edit.keyword);
    }

    for (const auto& tree : m_trees) {
        for (size_t n = 0; n < tree.size(); ++n) {
            const BatchNode& node = tree[n];
            if (!node.checked || !startsWith(node.text, "["))
                continue;
            RunKeyword& keyword = runKeyword(m_runKeywords, node.text);
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

    for (const auto& extra : m_extras) {
        RunKeyword& keyword = runKeyword(m_runKeywords, extra.keyword);
        if (!extra.remove)
            keyword.hasValue = true;
        msbAddReplaceKeyword(lines, extra.keyword, extra.line, noMore, extra.remove);
    }

    if (!result.readFailed) {
        result.after = joinLinesForWrite(lines);
        // Rewriting identical bytes would change nothing but the file's date.
        if (!m_options.dryRun && result.after != result.before)
            write(result);
    } else {
        result.after = result.before;
    }
    if (m_callbacks.fileDone)
        m_callbacks.fileDone(result);
    return true;
}

void BatchRun::write(BatchFileResult& result) {
    FileStatus status = m_callbacks.beforeWrite ? m_callbacks.beforeWrite(result.path) : FileStatus::success();
    if (status.ok)
        status = replaceFile(result.path, result.after, m_options.durability);
    if (status.ok) {
        if (m_options.durability == Durability::Deferred)
            m_pendingSync.add(result.path);
        return;
    }
    result.writeFailed = true;
    m_outcome.anyFileFailed = true;
    say(m_callbacks, plainMessage("Unable to perform edit: " + result.path + ": " + status.description));
}

void BatchRun::cancel() {
    if (m_outcome.status == BatchStatus::Completed)
        m_outcome.status = BatchStatus::Cancelled;
}

bool BatchRun::stopped() const {
    return m_outcome.status == BatchStatus::ColorTempFailed || m_outcome.status == BatchStatus::AdvanceCheckFailed;
}

BatchOutcome BatchRun::finish() {
    m_pendingSync.flush();
    BatchOutcome outcome = m_outcome;
    if (stopped())
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
        if (!run.processFile(targets[t]))
            break;
        if (callbacks.progress && !callbacks.progress(t + 1, targets.size()) && t + 1 < targets.size()) {
            run.cancel();
            break;
        }
    }
    return run.finish();
}

} // namespace tagmere
