#include "qvxhost/converter/batch_command.h"

#include "qvxhost/converter/batch_runner.h"
#include "qvxhost/player/config_record.h"
#include "qvxhost/converter/interrupt_requests.h"
#include "qvxhost/converter/process_info.h"
#include "qvxhost/player/utf8_paths.h"

#include <cstdio>
#include <thread>

namespace {

unsigned default_jobs()
{
    const unsigned processors = std::thread::hardware_concurrency();
    return processors != 0 ? processors : 1;
}

} // namespace

int run_batch_decode(const command_line& command, const loaded_component& component)
{
    abort_signal_impl abort;
    const interrupt_requests interrupts;
    // Set once before any job starts: the setting is the component's and shared by all decoders.
    if (command.max_rate) component.read_configuration(max_rate_record(*command.max_rate), abort);

    batch_options options;
    options.settings.max_rate = command.max_rate;
    options.settings.seek_seconds = command.seek_seconds;
    options.settings.format = command.format.value_or(output_format::flac);
    options.settings.bits = command.bits;
    options.settings.gain_db = command.gain_db;
    options.jobs = command.jobs.value_or(default_jobs());
    options.overwrite = command.overwrite;
    options.skip_existing = command.skip_existing;

    const batch_plan plan = plan_batch(command.inputs, path_from_utf8(command.output), *options.settings.format);
    std::vector<std::uint64_t> weights;
    for (const auto& item : plan.items) weights.push_back(item.input_bytes);
    batch_progress progress(std::move(weights), stderr_is_terminal());
    const batch_totals totals =
        run_batch(component, plan, options, abort, [&interrupts] { return interrupts.requested(); }, progress);

    const std::string summary = summary_line(totals) + "\n";
    std::fwrite(summary.data(), 1, summary.size(), stderr);
    if (interrupts.requested()) return 130;
    return totals.failed != 0 ? 1 : 0;
}
