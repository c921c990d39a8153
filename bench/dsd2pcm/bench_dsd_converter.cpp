// Converter throughput in output samples per second (all channels counted),
// for convert (the AVX-512 form where the processor has VBMI, else the block
// form; the label says which) and the reference form, over interleaved blocks
// the size the decoding loop uses (16384 bytes per channel). One channel is the
// kernel on contiguous bytes, with no gathering or scattering.
#include "dsd2pcm/dsd_converter.h"
#include "dsd2pcm/fir_avx512.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::int32_t frames_per_block = 16384;

template <bool reference>
void convert_interleaved(benchmark::State& state)
{
    const int channels = static_cast<int>(state.range(0));
    std::mt19937 random(42);
    std::vector<std::uint8_t> input(static_cast<std::size_t>(frames_per_block * channels));
    for (auto& b : input) b = static_cast<std::uint8_t>(random());
    std::vector<float> output(input.size());
    std::vector<dsd_converter> converters(static_cast<std::size_t>(channels));
    for (auto _ : state) {
        for (int c = 0; c < channels; ++c) {
            if constexpr (reference) {
                converters[c].convert_reference(input.data() + c, channels, output.data() + c, channels, frames_per_block);
            } else {
                converters[c].convert(input.data() + c, channels, output.data() + c, channels, frames_per_block);
            }
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frames_per_block * channels);
    if constexpr (!reference) state.SetLabel(fir_avx512_available() ? "avx512" : "block form");
}

void converter_build(benchmark::State& state)
{
    for (auto _ : state) {
        dsd_converter converter;
        benchmark::DoNotOptimize(&converter);
    }
}

} // namespace

// Strides 1, 2 and 6 are the common channel counts; 8 and 13 take the vector gather and line writes too, 17 the
// byte-by-byte ones.
BENCHMARK(convert_interleaved<false>)->Name("dsd_converter/convert")->Arg(1)->Arg(2)->Arg(6)->Arg(8)->Arg(13)->Arg(17);
BENCHMARK(convert_interleaved<true>)->Name("dsd_converter/reference")->Arg(1)->Arg(2)->Arg(6);
BENCHMARK(converter_build)->Name("dsd_converter/build");

BENCHMARK_MAIN();
