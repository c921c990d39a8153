// Converter throughput in output samples per second (all channels counted),
// per form of convert (dsd_converter/convert/FORM/CHANNELS with FORM block,
// avx2 or avx512; a form the processor cannot run reports an error instead)
// and for the reference form (dsd_converter/reference/CHANNELS), over
// interleaved blocks the size the decoding loop uses (16384 bytes per
// channel). One channel is the kernel on contiguous bytes, with no gathering
// or scattering.
#include "dsd2pcm/dsd_converter.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t frames_per_block = 16384;

// The argument is the channel count; `reference` measures convert_reference.
void convert_interleaved(benchmark::State& state, fir_form form, bool reference)
{
    const int channels = static_cast<int>(state.range(0));
    if (!dsd_converter::form_supported(form)) {
        state.SkipWithError("this processor cannot run the form");
        return;
    }
    std::mt19937 random(42);
    std::vector<std::uint8_t> input(static_cast<std::size_t>(frames_per_block * channels));
    for (auto& b : input) b = static_cast<std::uint8_t>(random());
    std::vector<float> output(input.size());
    std::vector<dsd_converter> converters;
    for (int c = 0; c < channels; ++c) converters.emplace_back(form);
    for (auto _ : state) {
        for (int c = 0; c < channels; ++c) {
            if (reference) {
                converters[c].convert_reference(input.data() + c, channels, output.data() + c, channels, frames_per_block);
            } else {
                converters[c].convert(input.data() + c, channels, output.data() + c, channels, frames_per_block);
            }
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frames_per_block * channels);
    state.SetLabel(reference ? "reference" : fir_form_name(converters.front().form()));
}

void converter_build(benchmark::State& state)
{
    for (auto _ : state) {
        dsd_converter converter;
        benchmark::DoNotOptimize(&converter);
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Strides 1, 2 and 6 are the common channel counts; 8 and 13 take the AVX-512 form's vector gather and line
    // writes too, 17 its byte-by-byte ones.
    for (const fir_form form : {fir_form::block, fir_form::avx2, fir_form::avx512}) {
        benchmark::RegisterBenchmark(("dsd_converter/convert/" + std::string(fir_form_name(form))).c_str(),
                                     convert_interleaved, form, false)
            ->Arg(1)->Arg(2)->Arg(6)->Arg(8)->Arg(13)->Arg(17);
    }
    benchmark::RegisterBenchmark("dsd_converter/reference", convert_interleaved, fir_form::block, true)
        ->Arg(1)->Arg(2)->Arg(6);
    benchmark::RegisterBenchmark("dsd_converter/build", converter_build);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
