// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace tagmere::cli {

// Files are read and worked on (checked, or made a table's row) on worker threads while
// the search goes on, and handed back in the order they were found, so what is printed is
// the same as doing them one at a time; reading and working is nearly all such a command's
// time. Files go to the workers in
// batches, as handing over each on its own cost a good part of what the workers saved.
// At most a few batches per worker are on hand at once, so memory does not grow with the
// number of files, and the workers are few: each may hold a file of up to 64 MB.
template <typename In, typename Out> class OrderedPipeline {
public:
    using Compute = std::function<Out(const In& item)>;
    using Report = std::function<void(const In& item, const Out& result)>;

    OrderedPipeline(Compute compute, Report report) : m_compute(std::move(compute)), m_report(std::move(report)) {
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

    ~OrderedPipeline() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_work.notify_all();
        for (auto& t : m_threads)
            t.join();
    }

    void add(const In& item) {
        if (m_threads.empty()) {
            m_report(item, m_compute(item));
            return;
        }
        m_batch.push_back(item);
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
        std::vector<In> items;
        std::vector<Out> results;
        bool done = false;
        std::exception_ptr failure; // thrown by a check (out of memory), thrown again here
    };

    // Queues the batch, then reports the finished jobs at the front, waiting for them while
    // more than `keep` are on hand. Reports with the lock released, so the workers go on.
    void handOver(size_t keep) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_batch.empty()) {
            m_jobs.emplace_back();
            m_jobs.back().items.swap(m_batch);
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
            for (size_t i = 0; i < job.items.size(); ++i)
                m_report(job.items[i], job.results[i]);
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
            std::vector<Out> results;
            std::exception_ptr failure;
            try {
                results.reserve(job.items.size());
                for (const auto& item : job.items)
                    results.push_back(m_compute(item));
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            job.results = std::move(results);
            job.failure = failure;
            job.done = true;
            m_done.notify_one();
        }
    }

    Compute m_compute;
    Report m_report;
    std::vector<std::thread> m_threads;
    size_t m_window = 0;
    std::vector<In> m_batch; // files found, not yet handed over
    std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_done;
    std::deque<Job> m_jobs; // in the order found; the front is the next to report
    size_t m_taken = 0;     // jobs from the front that a worker has taken
    bool m_stop = false;
};

} // namespace tagmere::cli
