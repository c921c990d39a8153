#include "qvxhost/converter/batch_runner.h"
#include "qvxhost/player/utf8_paths.h"

#include "qvxhost/converter/output_file.h"

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
        std::error_code error;
        if (std::filesystem::exists(item.output, error) && !options_.overwrite) {
            if (options_.skip_existing) {
                progress_.skipped(index, "skipped: " + item.input + ": " + utf8_from_path(item.output) + " exists already");
            } else {
                progress_.failed(index, item.input + ": " + utf8_from_path(item.output) +
                                            " exists already (use --overwrite or --skip-existing)");
            }
            return;
        }
        try {
            output_file output(item.output);
            decode_request request = options_.settings;
            request.input = item.input;
            request.output = output.temporary_path();
            request.progress = [&](double fraction, double seconds) { progress_.update(index, fraction, seconds); };
            request.warn = [&](const std::string& text) { progress_.message("warning: " + item.input + ": " + text); };
            const decode_outcome outcome = decode_file(component_, request, abort_);
            output.commit(options_.overwrite);
            const double seconds =
                outcome.sample_rate != 0 ? static_cast<double>(outcome.frames) / outcome.sample_rate : 0.0;
            progress_.converted(index, seconds);
        } catch (const std::exception& failure) {
            // The output file's destructor has removed what was written by now.
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
                       abort_signal_impl& abort, const std::function<bool()>& interrupted, batch_progress& progress)
{
    for (const auto& fault : plan.faults) progress.message("error: " + fault);
    batch_jobs jobs(component, plan, options, abort, progress);
    const std::size_t workers = std::clamp<std::size_t>(options.jobs, 1, std::max<std::size_t>(plan.items.size(), 1));
    {
        std::vector<std::jthread> threads;
        threads.reserve(workers);
        for (std::size_t i = 0; i < workers; ++i) threads.emplace_back([&jobs] { jobs.work(); });
        // This thread watches for interrupts and keeps the display moving until every job thread is done.
        while (!jobs.wait_for(workers, std::chrono::milliseconds(50))) {
            if (interrupted && interrupted()) abort.set();
            progress.tick();
        }
    }
    batch_totals totals = progress.finish(plan.items.size() - std::min(jobs.started(), plan.items.size()));
    totals.failed += plan.faults.size();
    return totals;
}
