// Time per decoded DSD bit of coded DST frames, by reconstruction form, at
// 2822400 Hz (rate factor 64) by channel count and filter order.
//
// Two kinds of frame:
//   - synthetic (dst_fast, dst_fast_portable, dst_fast_wide, dst_reference): each channel
//     has its own filter of the given order with random coefficients, a descending 64-entry
//     probability table, and a random arithmetic code about a third of the raw size. Such a
//     code usually does not end properly (status 1), but the whole frame is decoded before
//     that is known, so the work is the same.
//   - encoded (dst_fast_encoded): frames of tones and noise, as in bench/compare's files,
//     written by our encoder. Their codes are real ones, read at the rate real music has
//     them, which decides how often the decoder refills its code register.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "dsdgen/dsd_generator.h"
#include "dst/dst_frame_decoder.h"
#include "dst_encoder/frame_encoder.h"
#include "dst_frame_writer.h"

namespace {

constexpr int rate_factor = 64;

std::vector<std::uint8_t> synthetic_frame(int channels, int order, std::int32_t bytes_per_channel)
{
    std::mt19937 rng(static_cast<unsigned>(channels * 1000 + order));
    dst_coded_frame_desc frame;
    frame.channel_count = channels;
    frame.bytes_per_channel = bytes_per_channel;
    frame.filter_seg = {false, 1, std::vector<std::vector<std::int64_t>>(static_cast<std::size_t>(channels))};
    frame.filter_map.same_for_all_channels = false;
    for (int ch = 0; ch < channels; ++ch) {
        frame.filter_map.tables.push_back({ch});
        std::vector<std::int32_t> coefficients(static_cast<std::size_t>(order));
        for (auto& c : coefficients)
            c = std::uniform_int_distribution<int>(-96, 96)(rng);
        frame.filters.push_back({coefficients, -1, 0});
        std::vector<std::int32_t> probabilities(64);
        for (std::size_t i = 0; i < probabilities.size(); ++i)
            probabilities[i] = static_cast<std::int32_t>(std::max<std::size_t>(1, 128 - 2 * i));
        frame.ptables.push_back({probabilities, -1, 0});
    }
    frame.half_prob.assign(static_cast<std::size_t>(channels), 1);
    frame.adata.resize(static_cast<std::size_t>(8 * channels * bytes_per_channel / 3));
    for (auto& b : frame.adata)
        b = static_cast<std::uint8_t>(rng() & 1u);
    frame.adata[0] = 0;
    return coded_frame_bytes(frame);
}

// Frames 2..9 (the modulators have settled after two) of bench/compare's signals, encoded
// with filters of the given order: for two channels tones of 1 kHz at −6 dBFS and 440 Hz at
// −10 dBFS with noise at −30 dBFS, otherwise a 1 kHz tone at −8 dBFS with noise at −25 dBFS
// on every channel. Eight different frames, so that the branch predictor cannot learn one
// frame's refills by heart.
std::vector<std::vector<std::uint8_t>> encoded_frames(int channels, int order, std::int32_t bytes_per_channel)
{
    constexpr std::size_t settling = 2;
    constexpr std::size_t count = 8;
    dsdgen::signal_description signal;
    for (int c = 0; c < channels; ++c) {
        const auto seed = static_cast<std::uint64_t>(c + 1);
        if (channels == 2)
            signal.channels.push_back({{{c == 0 ? 1000.0 : 440.0, c == 0 ? -6.0 : -10.0}}, dsdgen::noise{-30.0, seed}});
        else
            signal.channels.push_back({{{1000.0, -8.0}}, dsdgen::noise{-25.0, seed}});
    }
    const auto frame_bytes = static_cast<std::size_t>(channels) * static_cast<std::size_t>(bytes_per_channel);
    const auto dsd = dsdgen::generate_dsd(signal, (settling + count) * static_cast<std::uint64_t>(bytes_per_channel));
    dst_encoder::encoder_options options;
    options.filter_orders = {order};
    options.plain_fallback = false;
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::size_t i = settling; i < settling + count; ++i)
        frames.push_back(dst_encoder::encode_frame(std::span(dsd).subspan(i * frame_bytes, frame_bytes), channels,
                                                   rate_factor, options));
    return frames;
}

enum class frame_kind { synthetic, encoded };

void decode_frames(benchmark::State& state, dst_frame_decoder::reconstruction form,
                   frame_kind kind = frame_kind::synthetic)
{
    const int channels = static_cast<int>(state.range(0));
    const int order = static_cast<int>(state.range(1));
    dst_frame_decoder decoder;
    decoder.create(channels, rate_factor);
    const auto bytes_per_channel = static_cast<std::int32_t>(decoder.bytes_per_channel());
    using frame_list = std::vector<std::vector<std::uint8_t>>;
    const frame_list frames = kind == frame_kind::synthetic
                                  ? frame_list{synthetic_frame(channels, order, bytes_per_channel)}
                                  : encoded_frames(channels, order, bytes_per_channel);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(decoder.geometry().frame_bytes()));
    std::size_t next = 0;
    for (auto _ : state) {
        const auto& frame = frames[next];
        next = next + 1 < frames.size() ? next + 1 : 0;
        const int status =
            decoder.decode_frame(static_cast<std::uint32_t>(frame.size()), frame.data(), out.data(), form);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(out.data());
    }
    const double bits = static_cast<double>(channels) * decoder.bits_per_channel();
    // CPU time per decoded bit (an inverted rate; shown as e.g. "8.1ns").
    state.counters["per_bit"] =
        benchmark::Counter(bits, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void dst_fast(benchmark::State& state) { decode_frames(state, dst_frame_decoder::reconstruction::fast); }
void dst_fast_encoded(benchmark::State& state)
{
    decode_frames(state, dst_frame_decoder::reconstruction::fast, frame_kind::encoded);
}
void dst_reference(benchmark::State& state) { decode_frames(state, dst_frame_decoder::reconstruction::reference); }
// The lookahead form without processor-specific instructions, and the wide form that frames with
// extreme filters fall back to.
void dst_fast_portable(benchmark::State& state)
{
    decode_frames(state, dst_frame_decoder::reconstruction::fast_portable);
}
void dst_fast_wide(benchmark::State& state) { decode_frames(state, dst_frame_decoder::reconstruction::fast_wide); }

void frame_shapes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"channels", "order"});
    for (int channels : {2, 6})
        for (int order : {8, 32, 64, 128})
            b->Args({channels, order});
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(dst_fast)->Apply(frame_shapes);
BENCHMARK(dst_fast_encoded)->Apply(frame_shapes);
BENCHMARK(dst_fast_portable)->Apply(frame_shapes);
BENCHMARK(dst_fast_wide)->Apply(frame_shapes);
BENCHMARK(dst_reference)->Apply(frame_shapes);

BENCHMARK_MAIN();
