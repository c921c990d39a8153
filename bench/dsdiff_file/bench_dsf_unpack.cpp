// Unpacking a DSDIFF file to DSF through a sink that keeps nothing: DSD bytes out per
// second. The DST file holds 3 s of stereo DSD64 (tones at −6 and −10 dBFS over noise at
// −30 dBFS, as bench/compare's files) coded by our encoder; the plain file holds the same
// DSD, which shows what the writer costs beside the DST decoder.
#include <benchmark/benchmark.h>

#include "dsdgen/dsd_generator.h"
#include "dsdiff_file/dsdiff_file.h"
#include "dsdiff_file/dsf_writer.h"
#include "dsdiff_writer.h"
#include "dst_encoder/frame_encoder.h"
#include "qvxhost/player/abort_signal_impl.h"
#include "tests/doubles/memory_file.h"
#include "qvxhost/player/service_impl.h"

#include <vector>

namespace {

namespace dw = dsdiff_writer;

constexpr int rate_factor = 64;
constexpr std::uint64_t frames = 3 * 75;

struct images {
    dw::bytes plain, dst;
};

const images& stereo_images()
{
    static const images made = [] {
        dsdgen::signal_description signal;
        signal.channels = {{{{1000.0, -6.0}}, dsdgen::noise{-30.0, 1}}, {{{440.0, -10.0}}, dsdgen::noise{-30.0, 2}}};
        dst_encoder::frame_encoder encoder(2, rate_factor);
        const auto frame_bytes = static_cast<std::size_t>(encoder.geometry().frame_bytes());
        const dw::bytes dsd = dsdgen::generate_dsd(signal, frames * static_cast<std::uint64_t>(encoder.geometry().bytes_per_channel));
        std::vector<dw::bytes> coded;
        for (std::size_t at = 0; at < dsd.size(); at += frame_bytes)
            coded.push_back(encoder.encode(std::span(dsd).subspan(at, frame_bytes), {}));
        return images{dw::plain_file({}, dsd), dw::dst_file({}, coded)};
    }();
    return made;
}

struct null_sink final : byte_sink {
    std::uint64_t bytes = 0;
    void write(std::span<const std::uint8_t> more) override { bytes += more.size(); }
};

void unpack_to_dsf(benchmark::State& state, const dw::bytes& image)
{
    abort_signal_impl never;
    const dsdiff_file input(make_service<memory_file_impl>(image), never, nullptr);
    null_sink sink;
    for (auto _ : state) {
        write_dsf(input, input.whole(), {}, sink, never);
        benchmark::DoNotOptimize(sink.bytes);
    }
    // DSD out, in DSDIFF's terms: bytes per channel times channels.
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.bytes_per_channel() * input.channel_count()));
}

void dst_to_dsf(benchmark::State& state) { unpack_to_dsf(state, stereo_images().dst); }
void plain_to_dsf(benchmark::State& state) { unpack_to_dsf(state, stereo_images().plain); }

} // namespace

BENCHMARK(dst_to_dsf)->Unit(benchmark::kMillisecond);
BENCHMARK(plain_to_dsf)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
