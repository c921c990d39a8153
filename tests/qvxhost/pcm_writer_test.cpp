#include "qvxhost/converter/pcm_writer.h"
#include "util/exceptions.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

namespace {

// Three channels, values that show byte order and precision, plus one beyond full scale.
std::vector<float> test_samples(std::size_t frames)
{
    std::vector<float> samples(frames * 3);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<float>(std::sin(0.01 * static_cast<double>(i)) * 0.9);
    samples[4] = 1.5f;
    return samples;
}

std::vector<char> file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct sound_file {
    SF_INFO info{};
    std::vector<float> samples;
};

sound_file read_back(const std::string& path)
{
    sound_file result;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &result.info);
    if (f == nullptr) ADD_FAILURE() << "libsndfile cannot read " << path << ": " << sf_strerror(nullptr);
    if (f == nullptr) return result;
    result.samples.resize(static_cast<std::size_t>(result.info.frames * result.info.channels));
    sf_readf_float(f, result.samples.data(), result.info.frames);
    sf_close(f);
    return result;
}

} // namespace

// Raw float output is the delivered samples' bytes, little-endian, nothing else; blocks simply follow each other.
TEST(pcm_writer, f32_holds_the_exact_sample_bytes)
{
    temp_dir dir;
    const auto samples = test_samples(100);
    auto writer = open_pcm_writer(dir.file("out.f32"), output_format::f32, pcm_layout{352800, 3, 0x7});
    writer->write({samples.data(), 150});
    writer->write({samples.data() + 150, samples.size() - 150});
    writer->finish();
    const auto bytes = file_bytes(dir.file("out.f32"));
    ASSERT_EQ(bytes.size(), samples.size() * 4);
    EXPECT_EQ(std::memcmp(bytes.data(), samples.data(), bytes.size()), 0);
}

// WAV stores 32-bit floats: reading back gives the same samples, rate, channels and frames, in a
// WAVE_FORMAT_EXTENSIBLE file (it names the speakers) that stays RIFF below 4 GiB.
TEST(pcm_writer, wav_reads_back_with_its_format)
{
    temp_dir dir;
    const auto samples = test_samples(1000);
    auto writer = open_pcm_writer(dir.file("out.wav"), output_format::wav, pcm_layout{88200, 3, 0x7});
    writer->write(samples);
    writer->finish();
    const auto back = read_back(dir.file("out.wav"));
    EXPECT_EQ(back.info.samplerate, 88200);
    EXPECT_EQ(back.info.channels, 3);
    EXPECT_EQ(back.info.frames, 1000);
    EXPECT_EQ(back.info.format, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT);
    EXPECT_EQ(back.samples, samples);
}

// FLAC stores 24 bits: samples come back within one step, and beyond full scale is clipped.
TEST(pcm_writer, flac_reads_back_within_24_bit_precision)
{
    temp_dir dir;
    const auto samples = test_samples(1000);
    auto writer = open_pcm_writer(dir.file("out.flac"), output_format::flac, pcm_layout{352800, 3, 0x7});
    writer->write(samples);
    writer->finish();
    const auto back = read_back(dir.file("out.flac"));
    EXPECT_EQ(back.info.samplerate, 352800);
    EXPECT_EQ(back.info.channels, 3);
    EXPECT_EQ(back.info.frames, 1000);
    EXPECT_EQ(back.info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    ASSERT_EQ(back.samples.size(), samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float expected = std::min(samples[i], 1.0f);
        ASSERT_NEAR(back.samples[i], expected, 2.0 / (1 << 23)) << "sample " << i;
    }
    EXPECT_EQ(writer->levels().clipped(), 1u) << "the one sample at 1.5";
}

// Integer depths with a gain: 16-bit WAV and FLAC come back within dither and rounding (1.5 steps) of
// the scaled samples, what the gain pushes beyond full scale is clipped and counted, and the dither
// repeats exactly from file to file.
TEST(pcm_writer, integer_depths_apply_gain_dither_and_count_clipping)
{
    temp_dir dir;
    const auto samples = test_samples(2000);  // peak 0.9, one sample at 1.5
    const double gain_db = 20 * std::log10(1.2);
    std::size_t beyond = 0;  // what rounds beyond the 16-bit steps -32768 .. 32767
    for (float s : samples) beyond += s * 1.2 * 32768 >= 32767.5 || s * 1.2 * 32768 < -32768.5 ? 1 : 0;
    ASSERT_GT(beyond, 1u);
    for (auto format : {output_format::wav, output_format::flac}) {
        const std::string name = format == output_format::wav ? "out.wav" : "out.flac";
        std::vector<char> first;
        for (int run = 0; run < 2; ++run) {
            auto writer = open_pcm_writer(dir.file(name), dir.file(name), pcm_encoding{format, 16, gain_db}, pcm_layout{44100, 3, 0x7});
            writer->write(samples);
            writer->finish();
            EXPECT_EQ(writer->levels().clipped(), beyond) << name;
            if (run == 0) first = file_bytes(dir.file(name));
        }
        EXPECT_EQ(file_bytes(dir.file(name)), first) << name << ": the same dither in every file";
        const auto back = read_back(dir.file(name));
        EXPECT_EQ(back.info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16) << name;
        ASSERT_EQ(back.samples.size(), samples.size()) << name;
        double error_sum = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double expected = std::clamp(samples[i] * 1.2, -1.0, 32767.0 / 32768);
            ASSERT_NEAR(back.samples[i], expected, 1.5 / 32768) << name << " sample " << i;
            error_sum += back.samples[i] - expected;
        }
        EXPECT_LT(std::abs(error_sum / samples.size()), 0.1 / 32768) << name << ": dither without bias";
    }
    // Float output takes the gain too.
    auto writer = open_pcm_writer(dir.file("out.f32"), dir.file("out.f32"), pcm_encoding{output_format::f32, 0, -20 * std::log10(2.0)}, pcm_layout{44100, 3, 0x7});
    writer->write(samples);
    writer->finish();
    const auto bytes = file_bytes(dir.file("out.f32"));
    ASSERT_EQ(bytes.size(), samples.size() * 4);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        float value;
        std::memcpy(&value, bytes.data() + 4 * i, 4);
        ASSERT_FLOAT_EQ(value, samples[i] / 2) << "sample " << i;
    }
    EXPECT_THROW(open_pcm_writer(dir.file("x.flac"), dir.file("x.flac"), pcm_encoding{output_format::flac, 0, 0}, pcm_layout{44100, 3, 0x7}), exception_io);
    EXPECT_THROW(open_pcm_writer(dir.file("x.f32"), dir.file("x.f32"), pcm_encoding{output_format::f32, 16, 0}, pcm_layout{44100, 3, 0x7}), exception_io);
}

// The format comes from --format, else from the extension in any case; anything else is refused.
TEST(pcm_writer, format_from_option_or_extension)
{
    EXPECT_EQ(output_format_for("/dev/null", output_format::f32), output_format::f32);
    EXPECT_EQ(output_format_for("a.WAV", std::nullopt), output_format::wav);
    EXPECT_EQ(output_format_for("dir.x/a.flac", std::nullopt), output_format::flac);
    EXPECT_EQ(output_format_for("a.wav", output_format::flac), output_format::flac);
    EXPECT_THROW(output_format_for("/dev/null", std::nullopt), exception_io);
    EXPECT_THROW(output_format_for("a.f32.mp3", std::nullopt), exception_io);
    EXPECT_EQ(parse_output_format("f32"), output_format::f32);
    EXPECT_FALSE(parse_output_format("F32").has_value());
}

// Writing raw floats to /dev/null works; an unwritable place is an error naming the path.
TEST(pcm_writer, null_device_works_and_bad_paths_fail)
{
    const std::vector<float> samples(64, 0.25f);
    auto writer = open_pcm_writer("/dev/null", output_format::f32, pcm_layout{88200, 2, 0x3});
    writer->write(samples);
    writer->finish();

    temp_dir dir;
    for (auto format : {output_format::f32, output_format::wav, output_format::flac}) {
        try {
            open_pcm_writer(dir.file("missing/out"), format, pcm_layout{88200, 2, 0x3});
            FAIL() << "created a file in a missing directory";
        } catch (const exception_io& e) {
            EXPECT_NE(std::string(e.what()).find("missing/out"), std::string::npos) << e.what();
        }
    }
}
