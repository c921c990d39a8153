// Tracks from the "MARK" chunks of "DIIN", read through dsdiff_file. The files run
// at 800 samples per second (100 bytes), so that an hour of mono audio stays small.
#include "dsdiff_file_images.h"

#include <gtest/gtest.h>

using namespace dsdiff_writer;
using namespace dsdiff_file_test;

namespace {

constexpr std::uint32_t rate = 800;
constexpr std::uint16_t track_start = 0, track_stop = 1, program_start = 2, index_mark = 4;

// Mono audio of `seconds`, with `marks` in its "DIIN".
track_list tracks_of(std::uint32_t seconds, std::initializer_list<bytes> marks)
{
    const bytes image = form("FRM8", "DSD ", {fver(), form("PROP", "SND ", {fs(rate), chnl({"C   "}), cmpr("DSD ", "not compressed")}),
                                              chunk("DSD ", bytes(seconds * rate / 8, 0x69)), container("DIIN", marks)});
    return open_image(image)->tracks();
}

std::string listed(const track_list& list)
{
    std::string text;
    for (const dsdiff_track& t : list.tracks)
        text += std::to_string(t.number) + ":" + std::to_string(t.start) + "-" + std::to_string(t.end) + " " + t.title + "|";
    return text;
}

} // namespace

TEST(track_list, tracks_follow_positions_not_file_order_offsets_included)
{
    // 1:02:00 of audio: 2976000 samples.
    const track_list list = tracks_of(3720, {
        mark({.minutes = 30, .offset = 400, .type = track_start, .text = "Second"}),       // 1440400
        mark({.samples = 8, .offset = -8, .type = track_start, .text = "First"}),          // 0
        mark({.hours = 1, .minutes = 1, .seconds = 2, .samples = 5, .offset = 3, .type = track_start,
              .text = "Tr\xE8s"}),                                                          // 2929608, Latin-1
    });
    EXPECT_EQ(listed(list), "1:0-1440400 First|2:1440400-2929608 Second|3:2929608-2976000 Tr\xC3\xA8s|");
    EXPECT_TRUE(list.notes.empty());
}

TEST(track_list, program_start_and_index_markers_start_no_track)
{
    const track_list list = tracks_of(5, {mark({.type = program_start}), mark({.samples = 800, .type = track_start}),
                                          mark({.samples = 1600, .type = index_mark}), mark({.samples = 2400, .type = track_start})});
    EXPECT_EQ(listed(list), "1:800-2400 |2:2400-4000 |");
    EXPECT_TRUE(list.notes.empty());
}

TEST(track_list, a_track_stop_ends_a_track_before_the_next_start)
{
    // The stop at 2000 lies where the third track starts: it ends the second there.
    const track_list list = tracks_of(5, {mark({.type = track_start}), mark({.samples = 500, .type = track_stop}),
                                          mark({.samples = 1000, .type = track_start}), mark({.samples = 2000, .type = track_start}),
                                          mark({.samples = 2000, .type = track_stop}), mark({.samples = 2500, .type = track_stop})});
    EXPECT_EQ(listed(list), "1:0-500 |2:1000-2000 |3:2000-2500 |");
    EXPECT_TRUE(list.notes.empty());
}

TEST(track_list, markers_outside_the_audio_repeats_and_stray_stops_are_noted_and_ignored)
{
    const track_list list = tracks_of(5, {
        mark({.offset = -1, .type = track_start}),                    // 1: before the audio
        mark({.seconds = 5, .type = track_start}),                    // 2: at its end, would start nothing
        mark({.seconds = 5, .samples = 1, .type = index_mark}),       // 3: after it
        mark({.type = track_start, .text = "A"}),                     // 4
        mark({.type = track_start, .text = "A again"}),               // 5: repeats 4
        mark({.samples = 100, .type = track_start, .channel = 2}),    // 6: one channel only
        mark({.seconds = 5, .type = track_stop}),                     // 7: ends 4 at the end of the audio
        mark({.seconds = 5, .type = track_stop}),                     // 8: repeats 7
        mark({.seconds = 4, .type = program_start}),                  // 9
        mark({.seconds = 4, .type = program_start}),                  // 10: repeats 9, noted though it cuts nothing
    });
    EXPECT_EQ(listed(list), "1:0-4000 A|");
    EXPECT_EQ(list.notes, (std::vector<std::string>{
                              "MARK chunk 1 (TrackStart at sample -1) lies outside the audio of 4000 samples; ignored",
                              "MARK chunk 2 (TrackStart at sample 4000) lies outside the audio of 4000 samples; ignored",
                              "MARK chunk 3 (Index at sample 4001) lies outside the audio of 4000 samples; ignored",
                              "MARK chunk 5 (TrackStart \"A again\" at sample 0) repeats MARK chunk 4 at the same position; ignored",
                              "MARK chunk 6 (TrackStart at sample 100) applies to channel 2 only, and tracks are cut on all channels; ignored",
                              "MARK chunk 8 (TrackStop at sample 4000) repeats MARK chunk 7 at the same position; ignored",
                              "MARK chunk 10 (ProgramStart at sample 3200) repeats MARK chunk 9 at the same position; ignored",
                          }));
    // A stop before any start, and a second stop inside one track, end nothing.
    const track_list stray = tracks_of(5, {mark({.samples = 10, .type = track_stop}), mark({.samples = 100, .type = track_start}),
                                           mark({.samples = 200, .type = track_stop}), mark({.samples = 300, .type = track_stop})});
    EXPECT_EQ(listed(stray), "1:100-200 |");
    EXPECT_EQ(stray.notes, (std::vector<std::string>{"MARK chunk 1 (TrackStop at sample 10) ends no track; ignored",
                                                     "MARK chunk 4 (TrackStop at sample 300) ends no track; ignored"}));
}

TEST(track_list, malformed_mark_chunks_are_noted_and_ignored)
{
    const bytes valid = mark({.samples = 800, .type = track_start, .text = "Kept"});
    bytes count_beyond = valid;
    count_beyond[12 + 21] = 50; // low byte of the text count: 50 bytes, 4 present
    const track_list list = tracks_of(5, {chunk("MARK", bytes(21, 0)), chunk("MARK", bytes(count_beyond.begin() + 12, count_beyond.end())), valid});
    EXPECT_EQ(listed(list), "1:800-4000 Kept|");
    EXPECT_EQ(list.notes, (std::vector<std::string>{"MARK chunk 1 has 21 bytes, too few for a marker; ignored",
                                                    "MARK chunk 2 announces 50 bytes of text but holds 4; ignored"}));
}
