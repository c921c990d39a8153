#include "dsdiff_file/track_list.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

bool is_track_marker(const dsdiff_marker& m) { return m.is(marker_type::track_start) || m.is(marker_type::track_stop); }

bool by_position(const dsdiff_marker* a, const dsdiff_marker* b) { return a->position < b->position; }

} // namespace

track_list make_track_list(std::span<const dsdiff_marker> markers, std::uint64_t sample_count)
{
    track_list result;
    const auto audio_end = static_cast<std::int64_t>(sample_count);
    // The first all-channel marker of each type and position, by its number.
    std::map<std::pair<std::uint16_t, std::int64_t>, std::size_t> first_at;
    std::vector<const dsdiff_marker*> starts, stops;
    for (const dsdiff_marker& m : markers) {
        const std::string name = describe_marker(m);
        // A track needs at least one sample: a TrackStart at the very end starts none.
        const bool outside = m.position < 0 || m.position > audio_end || (m.is(marker_type::track_start) && m.position == audio_end);
        if (outside) {
            result.notes.push_back(name + " lies outside the audio of " + std::to_string(sample_count) + " samples; ignored");
            continue;
        }
        if (m.channel != 0) {
            if (is_track_marker(m))
                result.notes.push_back(name + " applies to channel " + std::to_string(m.channel) +
                                       " only, and tracks are cut on all channels; ignored");
            continue;
        }
        const auto [earlier, first] = first_at.try_emplace({m.type, m.position}, m.number);
        if (!first) {
            result.notes.push_back(name + " repeats MARK chunk " + std::to_string(earlier->second) + " at the same position; ignored");
            continue;
        }
        if (m.is(marker_type::track_start)) starts.push_back(&m);
        if (m.is(marker_type::track_stop)) stops.push_back(&m);
    }
    std::stable_sort(starts.begin(), starts.end(), by_position);
    std::stable_sort(stops.begin(), stops.end(), by_position);

    std::vector<const dsdiff_marker*> unused_stops;
    std::size_t k = 0; // the first stop not yet looked at; both lists are in order of position
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::int64_t start = starts[i]->position;
        const std::int64_t next = i + 1 < starts.size() ? starts[i + 1]->position : audio_end;
        // A TrackStop at a track's own start belongs to the track before it.
        for (; k < stops.size() && stops[k]->position <= start; ++k) unused_stops.push_back(stops[k]);
        std::int64_t end = next;
        if (k < stops.size() && stops[k]->position <= next) end = stops[k++]->position;
        result.tracks.push_back({static_cast<unsigned>(i + 1), static_cast<std::uint64_t>(start),
                                 static_cast<std::uint64_t>(end), starts[i]->text});
    }
    for (; k < stops.size(); ++k) unused_stops.push_back(stops[k]);
    for (const dsdiff_marker* stop : unused_stops) result.notes.push_back(describe_marker(*stop) + " ends no track; ignored");
    return result;
}
