#include "command_line.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace dsdgen;

TEST(dsdgen_command_line, defaults_give_stereo_1khz_tones)
{
    // Only -o: 2 channels at 2822400 Hz, 10 s (3528000 bytes per channel), 1 kHz at −6 dBFS on each.
    const options o = parse_command_line({"-o", "x.dff"});
    EXPECT_EQ(o.output, "x.dff");
    EXPECT_EQ(o.description.sample_rate, 2822400u);
    EXPECT_EQ(o.frames(), 3528000u);
    ASSERT_EQ(o.description.channels.size(), 2u);
    for (const channel_signal& c : o.description.channels) {
        ASSERT_EQ(c.tones.size(), 1u);
        EXPECT_EQ(c.tones[0].frequency, 1000.0);
        EXPECT_EQ(c.tones[0].level_db, -6.0);
        EXPECT_FALSE(c.band_noise);
    }
}

TEST(dsdgen_command_line, parts_go_to_their_channels)
{
    // Tones and noise land on the named channel (or all); unnamed channels stay silent; seeds differ per channel.
    const options o = parse_command_line({"--channels", "3", "--rate", "3072000", "--seconds", "0.5", "--tone",
                                          "1:440:-10", "--tone", "1:880:-20", "--noise", "all:-30", "--seed", "9",
                                          "--output", "y.dff"});
    EXPECT_EQ(o.description.sample_rate, 3072000u);
    EXPECT_EQ(o.frames(), 192000u);
    ASSERT_EQ(o.description.channels.size(), 3u);
    EXPECT_EQ(o.description.channels[0].tones.size(), 2u);
    EXPECT_EQ(o.description.channels[0].tones[1].frequency, 880.0);
    EXPECT_TRUE(o.description.channels[1].tones.empty());
    ASSERT_TRUE(o.description.channels[2].band_noise);
    EXPECT_EQ(o.description.channels[2].band_noise->level_db, -30.0);
    EXPECT_NE(o.description.channels[0].band_noise->seed, o.description.channels[2].band_noise->seed);

    const options silent_rest = parse_command_line({"-o", "z.dff", "--channels", "2", "--tone", "2:100:-6"});
    EXPECT_TRUE(silent_rest.description.channels[0].tones.empty());
    EXPECT_FALSE(silent_rest.description.channels[0].band_noise);
}

TEST(dsdgen_command_line, rejects_bad_options)
{
    // Missing output, unsupported rate, channel out of range, malformed part, unknown option.
    EXPECT_THROW(parse_command_line({}), std::invalid_argument);
    EXPECT_THROW(parse_command_line({"-o", "a", "--rate", "44100"}), std::invalid_argument);
    EXPECT_THROW(parse_command_line({"-o", "a", "--channels", "7"}), std::invalid_argument);
    EXPECT_THROW(parse_command_line({"-o", "a", "--channels", "2", "--tone", "3:1000:-6"}), std::invalid_argument);
    EXPECT_THROW(parse_command_line({"-o", "a", "--tone", "1:abc:-6"}), std::invalid_argument);
    EXPECT_THROW(parse_command_line({"-o", "a", "--noise", "1"}), std::invalid_argument);
    EXPECT_THROW(parse_command_line({"-o", "a", "--frobnicate"}), std::invalid_argument);
    EXPECT_THROW(parse_command_line({"-o"}), std::invalid_argument);
    EXPECT_TRUE(parse_command_line({"--help"}).help);
}
