// Converter throughput in output samples per second (all channels counted),
// for convert (the AVX-512 form where the processor has VBMI, else the block
// form; the label says which) and the reference form, over interleaved blocks
// the size the decoding loop uses (16384 bytes per channel); and the AVX-512
// kernel alone on contiguous windows.
#include "dsd2pcm/dsd_converter.h"
#include "dsd2pcm/fir_avx512.h"
#include "dsd2pcm/fir_plane_tables.h"
#include "dsd2pcm/fir_tables.h"

#include <benchmark/benchmark.h>

#include <array>
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

void avx512_kernel(benchmark::State& state)
{
    if (!fir_avx512_available()) {
        state.SkipWithError("no AVX-512 VBMI on this processor");
        return;
    }
    std::vector<float> byte_tables(8 * 256);
    build_byte_tables(byte_tables);
    std::array<std::uint8_t, 256> reverse{};
    build_bit_reverse(reverse);
    const auto tables = build_fir_plane_tables(byte_tables, reverse);
    std::mt19937 random(42);
    std::vector<std::uint8_t> window(16 + fir_avx512_max_count + fir_avx512_window_padding);
    for (auto& b : window) b = static_cast<std::uint8_t>(random());
    std::vector<float> results(fir_avx512_max_count);
    for (auto _ : state) {
        filter_block_avx512(*tables, window.data(), results.data(), fir_avx512_max_count);
        benchmark::DoNotOptimize(results.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * fir_avx512_max_count);
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
BENCHMARK(avx512_kernel)->Name("dsd_converter/avx512_kernel");
BENCHMARK(converter_build)->Name("dsd_converter/build");

BENCHMARK_MAIN();
