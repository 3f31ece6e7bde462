// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "core/json.h"
#include "options.h"
#include "targets.h"

#include "files/readfile.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

namespace tagmere::cli {

namespace {

// Files are read and checked on worker threads while the search goes on, and handed back
// in the order they were found, so what is printed is the same as checking them one at a
// time; reading and checking is nearly all a check's time. Files go to the workers in
// batches, as handing over each on its own cost a good part of what the workers saved.
// At most a few batches per worker are on hand at once, so memory does not grow with the
// number of files, and the workers are few: each may hold a file of up to 64 MB.
class CheckPipeline {
public:
    using Report = std::function<void(const std::string& path, const FileCheck& check)>;

    explicit CheckPipeline(Report report) : m_report(std::move(report)) {
        const unsigned workers = std::min(std::thread::hardware_concurrency(), 4U);
        // One core: no gain in handing the files over, and no threads to go wrong.
        for (unsigned i = 0; workers > 1 && i < workers; ++i) {
            try {
                m_threads.emplace_back([this] { work(); });
            } catch (const std::system_error&) {
                break; // the system allows no more; those started do the work
            }
        }
        m_window = 2 * m_threads.size();
    }

    ~CheckPipeline() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_work.notify_all();
        for (auto& t : m_threads)
            t.join();
    }

    void add(const std::string& path) {
        if (m_threads.empty()) {
            m_report(path, checkHeaderFile(path));
            return;
        }
        m_batch.push_back(path);
        if (m_batch.size() == kBatch)
            handOver(m_window - 1);
    }

    // Reports every file added so far, before anything else is printed.
    void finish() {
        if (!m_threads.empty())
            handOver(0);
    }

private:
    static constexpr size_t kBatch = 16;

    struct Job {
        std::vector<std::string> paths;
        std::vector<FileCheck> checks;
        bool done = false;
        std::exception_ptr failure; // thrown by a check (out of memory), thrown again here
    };

    // Queues the batch, then reports the finished jobs at the front, waiting for them while
    // more than `keep` are on hand. Reports with the lock released, so the workers go on.
    void handOver(size_t keep) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_batch.empty()) {
            m_jobs.emplace_back();
            m_jobs.back().paths.swap(m_batch);
            m_work.notify_one();
        }
        for (;;) {
            if (m_jobs.empty() || (!m_jobs.front().done && m_jobs.size() <= keep))
                return;
            m_done.wait(lock, [this] { return m_jobs.front().done; });
            Job job = std::move(m_jobs.front());
            m_jobs.pop_front();
            --m_taken;
            lock.unlock();
            if (job.failure)
                std::rethrow_exception(job.failure);
            for (size_t i = 0; i < job.paths.size(); ++i)
                m_report(job.paths[i], job.checks[i]);
            lock.lock();
        }
    }

    void work() {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_work.wait(lock, [this] { return m_stop || m_taken < m_jobs.size(); });
            if (m_stop)
                return;
            // A deque keeps its elements in place as others are added and taken.
            Job& job = m_jobs[m_taken++];
            lock.unlock();
            std::vector<FileCheck> checks;
            std::exception_ptr failure;
            try {
                checks.reserve(job.paths.size());
                for (const auto& path : job.paths)
                    checks.push_back(checkHeaderFile(path));
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            job.checks = std::move(checks);
            job.failure = failure;
            job.done = true;
            m_done.notify_one();
        }
    }

    Report m_report;
    std::vector<std::thread> m_threads;
    size_t m_window = 0;
    std::vector<std::string> m_batch; // files found, not yet handed over
    std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_done;
    std::deque<Job> m_jobs; // in the order found; the front is the next to report
    size_t m_taken = 0;     // jobs from the front that a worker has taken
    bool m_stop = false;
};

const char* const kCheckHelp =
    "usage: tagmere-cli check [--quiet] [--format=text|json] TARGET...\n"
    "\n"
    "Checks every target by the rules of the version its first line names: the header\n"
    "(the lines before TILT=) and the photometric data after it. A first line of free text\n"
    "with a TILT= line below makes an LM-63-1986 file, whose header is not checked. A file\n"
    "is taken as given, a folder is searched like 'find'. Findings come in line order.\n"
    "\n"
    "--format=text (the default) prints one line per finding, 'PATH:LINE: CODE severity:\n"
    "text', then a summary. --format=json prints one JSON object per file and line:\n"
    "{\"path\", \"version\" (null when unknown), \"findings\": [{\"code\", \"severity\", \"line\",\n"
    "\"text\"}]}, bytes above 0x7F as \\u00XX; the summary then goes to standard error.\n"
    "--quiet prints the summary only.\n"
    "\n"
    "Errors:   unreadable, no-tilt, version-unknown, missing-keyword, data-not-number,\n"
    "          data-truncated, lumens, multiplier, photometric-type, units-type, data-count,\n"
    "          angles-order, candela-negative, angles-range (type C)\n"
    "Warnings: version-blanks, keyword-indent, keyword-case, other-version, unknown-keyword,\n"
    "          orphan-more, block-unbalanced, line-too-long, line-ends, non-ascii, tilt-file,\n"
    "          angles-range (types A and B), data-extra\n"
    "\n"
    "Exit status: 0 when no file has an error, 1 when one has, 2 on bad arguments.\n";

} // namespace

int runCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Parsed p = parse(args, 1, {"--format"}, {"--quiet"});
    if (p.help) {
        out << kCheckHelp;
        return kExitOk;
    }
    if (!p.error.empty())
        return usageError(err, p.error, kCheckHelp);
    const std::string format = hasOption(p, "--format") ? optionValue(p, "--format") : "text";
    if (format != "text" && format != "json")
        return usageError(err, "unknown format " + format + " (text or json)", kCheckHelp);
    const bool json = format == "json";
    const bool quiet = !p.flags.empty();
    long checked = 0;
    long withErrors = 0;
    const auto report = [&](const std::string& path, const FileCheck& check) {
        ++checked;
        if (hasError(check.findings))
            ++withErrors;
        if (quiet)
            return;
        if (json) {
            out << "{\"path\":" << jsonString(path)
                << ",\"version\":" << (check.version.empty() ? std::string("null") : jsonString(check.version))
                << ",\"findings\":[";
            for (size_t i = 0; i < check.findings.size(); ++i) {
                const HeaderFinding& f = check.findings[i];
                out << (i ? "," : "") << "{\"code\":" << jsonString(f.code) << ",\"severity\":\""
                    << severityText(f.severity) << "\",\"line\":" << f.line << ",\"text\":" << jsonString(f.text)
                    << "}";
            }
            out << "]}\n";
        } else {
            for (const auto& f : check.findings)
                out << path << ":" << f.line << ": " << f.code << " " << severityText(f.severity) << ": " << f.text
                    << "\n";
        }
    };
    CheckPipeline pipeline(report);
    TargetVisitor visit;
    visit.file = [&](const std::string& path, const std::string&) {
        pipeline.add(path);
        return true;
    };
    // A message about a folder comes after the files found before it, as it did unhurried.
    visit.beforeMessage = [&] { pipeline.finish(); };
    if (!forEachTarget(p.positionals, visit, err))
        return kExitUsage;
    pipeline.finish();
    (json ? err : out) << checked << " file(s) checked, " << withErrors << " with errors\n";
    return withErrors > 0 || visit.skipped > 0 ? kExitFileFailed : kExitOk;
}

} // namespace tagmere::cli
