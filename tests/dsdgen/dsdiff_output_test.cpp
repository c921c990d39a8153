#include "dsd_generator.h"
#include "dsdiff_output.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace dsdgen;

namespace {

std::vector<std::uint8_t> read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::uint64_t be(const std::vector<std::uint8_t>& data, std::size_t at, int width)
{
    std::uint64_t value = 0;
    for (int k = 0; k < width; ++k) value = (value << 8) | data.at(at + static_cast<std::size_t>(k));
    return value;
}

std::string id(const std::vector<std::uint8_t>& data, std::size_t at)
{
    return std::string(data.begin() + static_cast<std::ptrdiff_t>(at), data.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

} // namespace

TEST(write_dsdiff, file_has_plain_dsd_structure_and_generated_data)
{
    // 3 channels at 5644800 Hz, 1001 frames: FRM8/DSD form, FVER, PROP with FS, CHNL, CMPR, then the sound data
    // equal to the in-memory rendering, padded to an even size.
    const scratch_dir dir("dsdgen_structure");
    const std::string file = dir / "test.dff";
    const signal_description description{5644800, {{{{1000.0, -6.0}}, {}}, {}, {{}, noise{-20.0, 5}}}};
    const write_result result = write_dsdiff(file, description, 1001);
    EXPECT_EQ(result.sound_bytes, 3003u);
    EXPECT_EQ(result.overloads, 0u);

    const std::vector<std::uint8_t> data = read_file(file);
    ASSERT_GT(data.size(), 100u);
    EXPECT_EQ(id(data, 0), "FRM8");
    EXPECT_EQ(be(data, 4, 8), data.size() - 12);
    EXPECT_EQ(id(data, 12), "DSD ");

    // Walk the form's chunks.
    std::size_t at = 16;
    bool saw_fver = false, saw_prop = false, saw_sound = false;
    while (at < data.size()) {
        const std::string chunk = id(data, at);
        const std::uint64_t size = be(data, at + 4, 8);
        const std::size_t body = at + 12;
        if (chunk == "FVER") {
            saw_fver = true;
            EXPECT_EQ(size, 4u);
        } else if (chunk == "PROP") {
            saw_prop = true;
            EXPECT_EQ(id(data, body), "SND ");
            std::size_t p = body + 4;
            while (p < body + size) {
                const std::string property = id(data, p);
                const std::uint64_t property_size = be(data, p + 4, 8);
                if (property == "FS  ") {
                    EXPECT_EQ(be(data, p + 12, 4), 5644800u);
                }
                if (property == "CHNL") {
                    EXPECT_EQ(be(data, p + 12, 2), 3u);
                    EXPECT_EQ(id(data, p + 14), "SLFT");
                    EXPECT_EQ(id(data, p + 18), "SRGT");
                    EXPECT_EQ(id(data, p + 22), "C   ");
                }
                if (property == "CMPR") {
                    EXPECT_EQ(id(data, p + 12), "DSD ");
                }
                p += 12 + property_size + property_size % 2;
            }
        } else if (chunk == "DSD ") {
            saw_sound = true;
            EXPECT_EQ(size, 3003u);
            const std::vector<std::uint8_t> sound(data.begin() + static_cast<std::ptrdiff_t>(body),
                                                  data.begin() + static_cast<std::ptrdiff_t>(body + size));
            EXPECT_EQ(sound, generate_dsd(description, 1001));
            EXPECT_EQ(data.size(), body + size + 1) << "pad byte after the odd-sized sound data";
        }
        at = body + size + size % 2;
    }
    EXPECT_TRUE(saw_fver && saw_prop && saw_sound);
}

TEST(write_dsdiff, long_multichannel_file_is_streamed_in_blocks)
{
    // 6 channels over several generation blocks: the sound data is exactly frames × channels bytes and
    // continuous across block boundaries (equal to one in-memory rendering).
    const scratch_dir dir("dsdgen_blocks");
    const std::string file = dir / "test.dff";
    signal_description description{2822400, std::vector<channel_signal>(6, channel_signal{{{997.0, -20.0}}, {}})};
    const std::uint64_t frames = 40000; // beyond two blocks of 16384
    write_dsdiff(file, description, frames);
    const std::vector<std::uint8_t> data = read_file(file);
    const std::vector<std::uint8_t> expected = generate_dsd(description, frames);
    ASSERT_GE(data.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), data.end() - static_cast<std::ptrdiff_t>(expected.size())));
    EXPECT_EQ(id(data, data.size() - expected.size() - 12), "DSD ");
}
