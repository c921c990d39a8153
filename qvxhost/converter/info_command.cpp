#include "qvxhost/converter/info_command.h"

#include "dsdiff_file/dsd_md5.h"
#include "host/component_identity.h"
#include "host/string8.h"
#include "qvxhost/converter/pcm_decoding.h"
#include "qvxhost/converter/source_file.h"
#include "qvxhost/converter/tag_reader.h"
#include "qvxhost/converter/time_text.h"
#include "qvxhost/converter/track_tags.h"
#include "qvxhost/player/track_info_impl.h"

namespace {

std::string seconds_of(std::uint64_t samples, std::uint32_t rate)
{
    return exact_seconds(rate != 0 ? static_cast<double>(samples) / rate : 0.0);
}

std::string details(const dsdiff_file& file, const std::function<void(const std::string&)>& warn)
{
    std::string text = std::string("dsdiff.compression=") + (file.is_dst() ? "DST" : "DSD") + "\n";
    std::string channels;
    for (const auto& id : file.channel_ids()) {
        std::string name(id.begin(), id.end());
        while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
        channels += (channels.empty() ? "" : ",") + name;
    }
    text += "dsdiff.channels=" + one_line(channels) + "\n";
    if (file.is_dst()) text += "dsdiff.frames=" + std::to_string(file.dst_frames_present()) + "\n";
    const track_list tracks = file.tracks();
    for (const auto& note : tracks.notes) warn(note);
    text += "dsdiff.tracks=" + std::to_string(tracks.tracks.size()) + "\n";
    for (const auto& track : tracks.tracks) {
        const std::string key = "dsdiff.track." + std::to_string(track.number);
        text += key + ".start=" + seconds_of(track.start, file.sample_rate()) + "\n";
        text += key + ".length=" + seconds_of(track.end - track.start, file.sample_rate()) + "\n";
        text += key + ".title=" + one_line(track.title) + "\n";
    }
    return text;
}

} // namespace

std::string run_info(const loaded_component& component, const info_request& request, abort_signal& abort,
                     const std::function<void(const std::string&)>& warn)
{
    const auto entry = component.input();
    const std::string full = accepted_path(*entry, request.path);
    service_ptr_t<input_info_reader> reader;
    entry->open_info_reader(reader, file_ptr(), full.c_str(), abort);
    track_info_impl info;
    reader->read_info(0, info, abort);

    std::string text;
    for (const auto& field : info.fields()) text += one_line(field.name) + "=" + one_line(field.value) + "\n";
    text += "length=" + exact_seconds(info.length()) + "\n";
    if (!request.tags && !request.details && !request.md5) return text;

    const auto file = open_source_file(request.path, abort);
    if (request.details) text += details(*file, warn);
    if (request.md5) text += "dsd.md5=" + md5::hex(dsd_md5(*file, abort)) + "\n";
    if (request.tags) {
        try {
            text += tag_lines(whole_file_tags(read_id3_tags(*file, abort), file->info()));
        } catch (const exception_io& error) {
            warn(std::string("tags not read: ") + error.what());
        }
    }
    return text;
}

std::string version_text(const loaded_component& component)
{
    std::string text = "qvxhost " QVX_PROGRAM_VERSION "\n";
    if (const auto version = component.find_service<componentversion>()) {
        string8 name, number;
        version->get_component_name(name);
        version->get_component_version(number);
        text += std::string(name.get_ptr()) + " " + number.get_ptr() + "\n";
    }
    return text;
}
