#include "qvxhost/converter/batch_runner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

class batch_jobs {
public:
    batch_jobs(const loaded_component& component, const batch_plan& plan, const batch_options& options,
               abort_signal& abort, batch_progress& progress)
        : component_(component), plan_(plan), options_(options), abort_(abort), progress_(progress)
    {
    }

    // [job thread] Takes files until none is left or the batch is aborted.
    void work()
    {
        while (!abort_.is_aborting()) {
            const std::size_t index = next_.fetch_add(1);
            if (index >= plan_.items.size()) break;
            started_.fetch_add(1);
            convert(index);
        }
        const std::lock_guard lock(mutex_);
        ++finished_workers_;
        all_done_.notify_all();
    }

    // [main thread] Waits up to `timeout` for `workers` job threads to end; true when they have.
    bool wait_for(std::size_t workers, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        return all_done_.wait_for(lock, timeout, [&] { return finished_workers_ == workers; });
    }

    std::size_t started() const { return started_.load(); }

private:
    void convert(std::size_t index)
    {
        const batch_item& item = plan_.items[index];
        if (!item.fault.empty()) {
            progress_.failed(index, item.fault);
            return;
        }
        try {
            const conversion_result result = convert_item(
                component_, item, options_.settings, plan_.inputs, abort_,
                [&](double fraction, double seconds) { progress_.update(index, fraction, seconds); },
                [&](const std::string& text) { progress_.message("warning: " + item.input + ": " + text); });
            if (result.skipped) {
                progress_.skipped(index, *result.skipped);
                return;
            }
            const decode_outcome& outcome = result.outcome;
            const double seconds = outcome.sample_rate != 0 ? static_cast<double>(outcome.frames) / outcome.sample_rate : 0.0;
            progress_.converted(index, seconds, outcome.concealed_spans);
        } catch (const output_refused& refusal) {
            progress_.failed(index, refusal.what());
        } catch (const std::exception& failure) {
            // The output files' destructors have removed what was written by now.
            progress_.failed(index, item.input + ": " + failure.what());
        }
    }

    const loaded_component& component_;
    const batch_plan& plan_;
    const batch_options& options_;
    abort_signal& abort_;
    batch_progress& progress_;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> started_{0};
    std::mutex mutex_;
    std::condition_variable all_done_;
    std::size_t finished_workers_ = 0;
};

} // namespace

batch_totals run_batch(const loaded_component& component, const batch_plan& plan, const batch_options& options,
                       abort_signal& abort, batch_progress& progress)
{
    for (const auto& note : plan.notes) progress.message(note);
    batch_jobs jobs(component, plan, options, abort, progress);
    const std::size_t workers = std::clamp<std::size_t>(options.jobs, 1, std::max<std::size_t>(plan.items.size(), 1));
    {
        std::vector<std::jthread> threads;
        threads.reserve(workers);
        for (std::size_t i = 0; i < workers; ++i) threads.emplace_back([&jobs] { jobs.work(); });
        // This thread keeps the display moving until every job thread is done.
        while (!jobs.wait_for(workers, std::chrono::milliseconds(50))) progress.tick();
    }
    return progress.finish(plan.items.size() - std::min(jobs.started(), plan.items.size()));
}
