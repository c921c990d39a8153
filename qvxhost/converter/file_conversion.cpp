#include "qvxhost/converter/file_conversion.h"

#include "qvxhost/converter/dsd_output.h"
#include "qvxhost/converter/output_file.h"
#include "qvxhost/converter/source_file.h"
#include "qvxhost/converter/tag_reader.h"
#include "qvxhost/converter/tag_writer.h"
#include "qvxhost/converter/track_files.h"
#include "qvxhost/player/utf8_paths.h"

#include <memory>
#include <system_error>

namespace {

// One output of an input: the whole audio, or one of its tracks.
struct planned_output {
    std::filesystem::path path;
    std::optional<dsdiff_track> track;
    std::unique_ptr<output_file> file;  // made once every output has passed its checks
    track_tags tags;
};

// What the DSDIFF file holds beside the audio, read outside the component.
struct source_facts {
    std::unique_ptr<dsdiff_file> file;
    track_tags id3;
    track_list tracks;
};

source_facts read_source(const std::string& input, const output_format_info& format, const conversion_settings& settings,
                         abort_signal& abort, const std::function<void(const std::string&)>& warn)
{
    source_facts facts;
    facts.file = open_source_file(input, abort);
    if (format.carries_tags || settings.split || settings.cue) {
        try {
            facts.id3 = read_id3_tags(*facts.file, abort);
        } catch (const exception_io& error) {
            warn(std::string("tags not read: ") + error.what());
        }
    }
    if (settings.split || settings.cue) {
        facts.tracks = facts.file->tracks();
        for (const auto& note : facts.tracks.notes) warn(note);
    }
    return facts;
}

std::vector<planned_output> plan_outputs(const batch_item& item, const output_format_info& format, const source_facts& facts,
                                         const conversion_settings& settings)
{
    std::vector<planned_output> outputs;
    const std::vector<dsdiff_track>& tracks = facts.tracks.tracks;
    const dsdiff_info info = facts.file ? facts.file->info() : dsdiff_info{};
    if (settings.split && !tracks.empty()) {
        const std::filesystem::path folder = item.output.parent_path() / item.output.stem();
        for (const auto& track : tracks)
            outputs.push_back({folder / track_file_name(track, tracks.size(), output_extension(format.format)), track, nullptr,
                               track_part_tags(facts.id3, info, track, tracks.size())});
    } else {
        outputs.push_back({item.output, std::nullopt, nullptr, whole_file_tags(facts.id3, info)});
    }
    return outputs;
}

// The cue sheet's own output, beside the whole file: "em.flac" gives "em.cue".
std::string cue_text_for(const planned_output& audio, const source_facts& facts, const track_tags& whole)
{
    const auto first = [](const std::vector<std::string>& values) { return values.empty() ? std::string() : values[0]; };
    std::string title = first(whole.values("ALBUM"));
    if (title.empty() && facts.file->info().title) title = *facts.file->info().title;
    return cue_sheet(utf8_from_path(audio.path.filename()), facts.tracks, facts.file->sample_rate(), first(whole.values("ARTIST")),
                     title);
}

void write_text(const output_file& file, const std::string& shown, const std::string& text)
{
    file_byte_sink sink(file.path(), shown);
    sink.write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    sink.finish();
    if (!file.is_device()) verify_file_size(file.path(), shown, text.size());
}

decode_outcome write_dsd_outputs(const output_format_info& format, std::vector<planned_output>& outputs,
                                 const source_facts& facts, abort_signal& abort,
                                 const std::function<void(double, double)>& progress)
{
    const dsdiff_file& input = *facts.file;
    const double seconds = input.sample_rate() != 0 ? static_cast<double>(input.sample_count()) / input.sample_rate() : 0.0;
    const double total_bytes = static_cast<double>(input.bytes_per_channel()) * input.channel_count();
    std::uint64_t done_before = 0;
    for (auto& output : outputs) {
        const dsd_byte_range range = output.track ? byte_range_of(*output.track) : input.whole();
        // The whole file keeps its own ID3 tag byte for byte; a track gets the file's tags made its own.
        std::vector<std::uint8_t> tag;
        if (format.format == output_format::dsf) {
            if (!output.track) {
                if (auto original = input.read_id3_tag(abort)) tag = std::move(*original);
            }
            if (tag.empty() && !output.tags.empty()) tag = render_id3v2(output.tags);
        }
        const std::string shown = utf8_from_path(output.path);
        file_byte_sink sink(output.file->path(), shown, [&](std::uint64_t written) {
            if (!progress || total_bytes <= 0) return;
            const double fraction = std::min(1.0, static_cast<double>(done_before + written) / total_bytes);
            progress(fraction, fraction * seconds);
        });
        format.write_dsd(input, range, tag, sink, abort);
        sink.finish();
        if (!output.file->is_device()) verify_file_size(output.file->path(), shown, sink.bytes_written());
        done_before += range.size() * input.channel_count();
    }
    return {input.sample_rate(), input.channel_count(), input.sample_count(), 0};
}

} // namespace

conversion_result convert_item(const loaded_component& component, const batch_item& item, const conversion_settings& settings,
                               const input_identities& inputs, abort_signal& abort,
                               const std::function<void(double, double)>& progress,
                               const std::function<void(const std::string&)>& warn)
{
    const output_format_info& format = format_info(settings.decoding.encoding.format);
    source_facts facts;
    if (format.kind == output_kind::dsd || format.carries_tags || settings.split || settings.cue)
        facts = read_source(item.input, format, settings, abort, warn);

    std::vector<planned_output> outputs = plan_outputs(item, format, facts, settings);
    std::optional<planned_output> cue;
    if (settings.cue && !outputs.front().track)
        cue = planned_output{std::filesystem::path(item.output).replace_extension(".cue"), std::nullopt, nullptr, {}};

    // Every output passes its checks before anything is written.
    std::vector<planned_output*> all;
    for (auto& output : outputs) all.push_back(&output);
    if (cue) all.push_back(&*cue);
    for (const auto* output : all)
        if (std::string fault = overwrites_an_input(output->path, inputs); !fault.empty()) throw output_refused(fault);
    for (auto* output : all) {
        std::error_code error;
        const bool exists = std::filesystem::exists(std::filesystem::symlink_status(output->path, error));
        output->file = std::make_unique<output_file>(output->path);
        if (exists && !output->file->is_device() && !settings.overwrite) {
            const std::string shown = utf8_from_path(output->path);
            if (settings.skip_existing) return {"skipped: " + item.input + ": " + shown + " exists already", {}, 0};
            throw exception_io(shown + " exists already (use --overwrite or --skip-existing)");
        }
    }

    conversion_result result;
    if (format.kind == output_kind::dsd) {
        result.outcome = write_dsd_outputs(format, outputs, facts, abort, progress);
    } else {
        decode_request request = settings.decoding;
        request.input = item.input;
        request.progress = progress;
        request.warn = warn;
        for (const auto& output : outputs) {
            pcm_target target{output.file->path(), utf8_from_path(output.path), output.file->is_device(), 0, std::nullopt,
                              output.tags};
            if (output.track) {
                target.first = output.track->start;
                target.end = output.track->end;
            }
            request.targets.push_back(std::move(target));
        }
        result.outcome = decode_file(component, request, abort);
    }
    if (cue) write_text(*cue->file, utf8_from_path(cue->path), cue_text_for(outputs.front(), facts, outputs.front().tags));
    for (auto* output : all) output->file->commit(settings.overwrite);
    result.outputs = all.size();
    return result;
}
