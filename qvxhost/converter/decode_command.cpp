#include "qvxhost/converter/decode_command.h"

#include "qvxhost/converter/batch_runner.h"
#include "qvxhost/converter/interrupt_requests.h"
#include "qvxhost/converter/process_info.h"
#include "qvxhost/converter/progress_bar.h"
#include "qvxhost/player/config_record.h"
#include "qvxhost/player/utf8_paths.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <thread>

namespace {

constexpr int interrupted_status = 130;

unsigned default_jobs()
{
    const unsigned processors = std::thread::hardware_concurrency();
    return processors != 0 ? processors : 1;
}

// DSD is written as decoded: what shapes PCM has nothing to act on.
void refuse_pcm_options(const command_line& command, const output_format_info& format)
{
    const auto refuse = [&](const char* option) {
        throw std::invalid_argument(std::string("Option ") + option + " does not apply to " + std::string(format.title) +
                                    " output: its DSD is written as decoded");
    };
    if (command.gain_db) refuse("--gain");
    if (command.bits) refuse("--bits");
    if (command.max_rate) refuse("--max-rate");
    if (command.conceal) refuse("--conceal");
    if (command.seek_seconds) refuse("--seek");
}

conversion_settings settings_from(const command_line& command, output_format format)
{
    const output_format_info& info = format_info(format);
    if (info.kind == output_kind::dsd) refuse_pcm_options(command, info);
    if (command.bits) check_depth(format, *command.bits);
    conversion_settings settings;
    settings.decoding.encoding = {format, command.bits.value_or(info.default_bits), command.gain_db.value_or(0.0)};
    settings.decoding.seek_seconds = command.seek_seconds;
    settings.decoding.conceal = command.conceal;
    settings.overwrite = command.overwrite;
    settings.skip_existing = command.skip_existing;
    settings.split = command.split;
    settings.cue = command.cue;
    return settings;
}

void print_line(const std::string& line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace

bool is_batch_decode(const command_line& command) { return command.split || is_batch(command.inputs); }

int run_single_decode(const command_line& command, const loaded_component& component)
{
    const std::filesystem::path output = path_from_utf8(command.output);
    const conversion_settings settings = settings_from(command, output_format_for(command.output, command.format));
    accepted_path(*component.input(), command.input);
    const batch_plan plan = plan_single(command.input, output);
    const batch_item& item = plan.items.front();
    if (!item.fault.empty()) {
        print_line("error: " + item.fault);
        return 1;
    }

    const interrupt_requests interrupts;
    interruptible_abort abort(interrupts);
    if (command.max_rate) component.read_configuration(max_rate_record(*command.max_rate), abort);
    std::optional<progress_bar> bar;
    if (stderr_is_terminal()) bar.emplace();
    try {
        const conversion_result result = convert_item(
            component, item, settings, plan.inputs, abort, [&](double fraction, double) { if (bar) bar->update(fraction); },
            [&](const std::string& text) { print_line("warning: " + item.input + ": " + text); });
        bar.reset();
        if (result.skipped) {
            print_line(*result.skipped);
            return 0;
        }
        const decode_outcome& outcome = result.outcome;
        std::string report = "samplerate=" + std::to_string(outcome.sample_rate) + "\nchannels=" +
                             std::to_string(outcome.channels) + "\nsamples=" + std::to_string(outcome.frames) + "\n";
        if (command.conceal) report += "concealed=" + std::to_string(outcome.concealed_spans) + "\n";
        std::fwrite(report.data(), 1, report.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const output_refused& refusal) {
        bar.reset();
        print_line("error: " + std::string(refusal.what()));
    } catch (const decode_failure& failure) {
        bar.reset();
        print_line("error: " + item.input + ": " + failure.what());
    } catch (const std::exception& failure) {
        bar.reset();
        print_line(std::string("error: ") + failure.what());
    }
    return interrupts.requested() ? interrupted_status : 1;
}

int run_batch_decode(const command_line& command, const loaded_component& component)
{
    const interrupt_requests interrupts;
    interruptible_abort abort(interrupts);
    const output_format format = command.format.value_or(output_format::flac);
    batch_options options;
    options.settings = settings_from(command, format);
    options.jobs = command.jobs.value_or(default_jobs());
    // Set once before any job starts: the setting is the component's and shared by all decoders.
    if (command.max_rate) component.read_configuration(max_rate_record(*command.max_rate), abort);

    const batch_plan plan = plan_batch(command.inputs, path_from_utf8(command.output), format);
    if (plan.items.empty()) {
        for (const auto& note : plan.notes) print_line(note);
        print_line("error: no .dff files found");
        return 1;
    }
    std::vector<batch_progress::file> files;
    for (const auto& item : plan.items) files.push_back({item.input, item.input_bytes});
    batch_progress progress(std::move(files), stderr_is_terminal());
    const batch_totals totals =
        run_batch(component, plan, options, abort, progress);

    print_line(summary_line(totals));
    if (interrupts.requested()) return interrupted_status;
    return totals.failed != 0 ? 1 : 0;
}
