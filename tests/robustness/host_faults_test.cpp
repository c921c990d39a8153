// Faults from the host: a file whose reads fail or end early, a cancellation
// in the middle of decoding, a resampler provider that refuses. Each ends the
// operation with its error, and a later call carries on where the failed one
// stopped: nothing is lost or repeated.
#include "dst_encoder/frame_encoder.h"
#include "fake_resampler.h"
#include "playback.h"
#include "tests/doubles/faulty_file.h"

#include <gtest/gtest.h>

#include <string>

using namespace dsdiff_writer;
using namespace robustness;

namespace {

abort_signal_impl never;

// 2.5 blocks of stereo at 2822400 Hz.
bytes plain_image() { return plain_file(format_of(2), random_dsd(2 * (16384 * 2 + 8192), 7)); }

// Five coded stereo frames at 352800 Hz (PCM 44100 Hz).
bytes dst_image()
{
    constexpr int rate_factor = 8;
    dst_encoder::frame_encoder encoder(2, rate_factor);
    const auto frame_bytes = static_cast<std::size_t>(encoder.geometry().frame_bytes());
    std::vector<bytes> frames;
    for (unsigned i = 0; i < 5; ++i)
        frames.push_back(encoder.encode(random_dsd(frame_bytes, 100 + i), dst_encoder::random_options(i + 1, 2)));
    return dst_file(format_of(2, 44100 * rate_factor), frames);
}

struct variant {
    std::string name;
    bytes image;
    std::int32_t max_rate; // below the PCM rate: the resampler runs
};

std::vector<variant> variants()
{
    return {{"plain", plain_image(), 1000000}, {"plain resampled", plain_image(), 88200},
            {"dst", dst_image(), 1000000}, {"dst resampled", dst_image(), 22050}};
}

class host_faults : public ::testing::Test {
protected:
    playback clean_playback(const bytes& image)
    {
        service_ptr_t<input_decoder> decoder = open_decoder(host.entry, memory_file(image), never);
        return drain(*decoder, never);
    }
    host_scope host;
};

// Opens (retrying after a failure), starts and drains `source`, calling again
// after every failed call. Returns what was delivered; `failures` counts the
// failed calls, each of which must carry `message`.
playback play_through_failures(input_entry& entry, const file_ptr& source, abort_signal& abort, const std::string& message,
                               int& failures)
{
    service_ptr_t<input_decoder> decoder;
    for (int attempt = 0; decoder.is_empty() && attempt < 5; ++attempt) {
        try {
            decoder = open_decoder(entry, source, abort);
        } catch (const std::exception& e) {
            EXPECT_EQ(e.what(), message);
            ++failures;
            decoder.release();
        }
    }
    playback p;
    if (decoder.is_empty()) return p;
    audio_chunk_impl chunk;
    for (int calls = 0; calls < 10000; ++calls) {
        try {
            if (!decoder->decode_next(chunk, abort)) break;
            append_chunk(p, chunk);
        } catch (const std::exception& e) {
            EXPECT_EQ(e.what(), message);
            ++failures;
        }
    }
    return p;
}

} // namespace

TEST_F(host_faults, a_failing_read_anywhere_ends_only_that_call_and_decoding_resumes_where_it_stopped)
{
    for (const variant& v : variants()) {
        max_rate_setting = v.max_rate;
        const playback clean = clean_playback(v.image);
        ASSERT_GT(clean.frames, 0u) << v.name;

        const auto counter = make_service<faulty_file_impl>(memory_file(v.image), fault_plan{});
        {
            service_ptr_t<input_decoder> decoder = open_decoder(host.entry, counter, never);
            drain(*decoder, never);
        }
        const std::size_t total_reads = counter->read_count();
        ASSERT_GT(total_reads, 5u) << v.name;

        for (std::size_t k = 1; k <= total_reads; ++k) {
            fault_plan plan;
            plan.fail_on_read = k;
            int failures = 0;
            const playback p = play_through_failures(host.entry, make_service<faulty_file_impl>(memory_file(v.image), plan), never,
                                                     plan.message, failures);
            EXPECT_EQ(failures, 1) << v.name << ", read " << k;
            EXPECT_TRUE(p == clean) << v.name << ", read " << k << ": " << p.frames << " frames instead of " << clean.frames;
        }
    }
}

TEST_F(host_faults, plain_data_ending_early_plays_the_bytes_that_are_there)
{
    const bytes sound = random_dsd(2 * (16384 + 5000), 3);
    const std::size_t header = plain_file_header(format_of(2), sound.size()).size();
    for (std::int32_t max_rate : {1000000, 88200})
        for (std::size_t kept : {std::size_t{0}, std::size_t{1}, std::size_t{4097}, std::size_t{2 * 16384}, sound.size() - 3}) {
            max_rate_setting = max_rate;
            fault_plan plan;
            plan.end_at = header + kept;
            service_ptr_t<input_decoder> decoder =
                open_decoder(host.entry, make_service<faulty_file_impl>(memory_file(plain_file(format_of(2), sound)), plan), never);
            const playback cut = drain(*decoder, never);
            const bytes prefix(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(kept));
            EXPECT_TRUE(cut == clean_playback(plain_file(format_of(2), prefix))) << kept << " bytes kept, max rate " << max_rate;
        }
}

TEST_F(host_faults, dst_data_ending_inside_a_frame_fails_that_frame_after_the_earlier_ones_played)
{
    max_rate_setting = 1000000;
    const bytes image = dst_image();
    const playback clean = clean_playback(image);
    const std::size_t per_frame = clean.samples.size() / 5;

    // Cut inside the last frame's payload: the chunk tree is still whole.
    std::size_t cut_at = 0;
    {
        std::size_t seen = 0;
        for (std::size_t i = 0; i + 4 <= image.size(); ++i)
            if (image[i] == 'D' && image[i + 1] == 'S' && image[i + 2] == 'T' && image[i + 3] == 'F' && ++seen == 5) {
                cut_at = i + 12 + 5;
                break;
            }
    }
    ASSERT_GT(cut_at, 0u);
    fault_plan plan;
    plan.end_at = cut_at;
    service_ptr_t<input_decoder> decoder =
        open_decoder(host.entry, make_service<faulty_file_impl>(memory_file(image), plan), never);
    audio_chunk_impl chunk;
    for (int frame = 0; frame < 4; ++frame) ASSERT_TRUE(decoder->decode_next(chunk, never)) << frame;
    EXPECT_EQ(chunk.get_data_size(), per_frame);
    for (int again = 0; again < 2; ++again)
        EXPECT_THROW(decoder->decode_next(chunk, never), exception_io_data_truncation) << "call " << again;
}

TEST_F(host_faults, cancelling_mid_decode_throws_user_abort_and_resuming_loses_nothing)
{
    for (const variant& v : variants()) {
        max_rate_setting = v.max_rate;
        const playback clean = clean_playback(v.image);
        abort_signal_impl abort;
        service_ptr_t<input_decoder> decoder = open_decoder(host.entry, memory_file(v.image), abort);
        playback p;
        audio_chunk_impl chunk;
        ASSERT_TRUE(decoder->decode_next(chunk, abort)) << v.name;
        append_chunk(p, chunk);
        abort.set();
        try {
            decoder->decode_next(chunk, abort);
            ADD_FAILURE() << v.name << ": no abort";
        } catch (const exception_aborted& e) {
            EXPECT_STREQ(e.what(), "User abort") << v.name;
        }
        abort.reset();
        while (decoder->decode_next(chunk, abort)) append_chunk(p, chunk);
        EXPECT_TRUE(p == clean) << v.name;
    }
}

namespace {

// Reports a cancellation from its `trip`-th query on.
class tripping_abort final : public abort_signal {
public:
    explicit tripping_abort(int trip_at) : trip(trip_at) {}
    bool is_aborting() const override { return ++queries > trip; }
    mutable int queries = 0;

private:
    int trip;
};

} // namespace

TEST_F(host_faults, a_cancellation_at_any_point_of_open_and_decoding_ends_it_with_user_abort)
{
    for (const variant& v : variants()) {
        max_rate_setting = v.max_rate;
        const playback clean = clean_playback(v.image);
        bool completed = false;
        for (int trip = 0; !completed && trip < 100000; ++trip) {
            tripping_abort abort(trip);
            try {
                service_ptr_t<input_decoder> decoder = open_decoder(host.entry, memory_file(v.image), abort);
                const playback p = drain(*decoder, abort);
                completed = true;
                EXPECT_TRUE(p == clean) << v.name << ", trip " << trip;
            } catch (const exception_aborted&) {
                EXPECT_GT(abort.queries, trip) << v.name;
            }
        }
        EXPECT_TRUE(completed) << v.name;
    }
}

namespace {

// Registers `provider` as the registry's only resampler provider.
template <class Provider>
void add_provider(service_registry_impl& registry, const service_ptr_t<Provider>& provider)
{
    registry.add_object<dsp_entry>(dsp_entry::class_guid, provider);
}

} // namespace

TEST_F(host_faults, a_refused_resampler_fails_the_call_and_a_later_call_tries_again_without_losing_audio)
{
    const bytes image = plain_image();
    max_rate_setting = 88200;
    resampler_log reference_log;
    playback reference;
    {
        service_registry_impl registry;
        add_provider(registry, make_service<fake_resampler_provider>(reference_log, 1.0f, true));
        core_api::set_registry(&registry);
        service_ptr_t<input_decoder> decoder = open_decoder(host.entry, memory_file(image), never);
        reference = drain(*decoder, never);
        core_api::set_registry(&host.registry);
    }

    resampler_log log;
    service_registry_impl registry;
    const auto provider = make_service<fake_resampler_provider>(log, 1.0f, true);
    provider->fail_instantiate = true;
    add_provider(registry, provider);
    core_api::set_registry(&registry);
    service_ptr_t<input_decoder> decoder = open_decoder(host.entry, memory_file(image), never);
    audio_chunk_impl chunk;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        try {
            decoder->decode_next(chunk, never);
            ADD_FAILURE() << "attempt " << attempt << " succeeded";
        } catch (const exception_io_data& e) {
            EXPECT_STREQ(e.what(), "Unsupported sample rate, no resampler present");
        }
        EXPECT_EQ(provider->instantiations, attempt);
    }
    provider->fail_instantiate = false;
    const playback p = drain(*decoder, never);
    core_api::set_registry(&host.registry);
    EXPECT_EQ(provider->instantiations, 3);
    EXPECT_EQ(log.frames_in, reference_log.frames_in);
    EXPECT_TRUE(p == reference) << p.frames << " frames instead of " << reference.frames;
}

namespace {

class failing_resampler : public dsp_instance {
public:
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return query_interfaces<dsp_instance>(this, out, wanted);
    }
    void run(dsp_chunk_list&, service_ptr_t<track_handle>&, std::uint32_t) override { throw exception_io("Resampler broke"); }
    void flush() override {}
};

class failing_resampler_provider : public resampler_provider {
public:
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return query_interfaces<resampler_provider>(this, out, wanted);
    }
    bool instantiate(service_ptr_t<dsp_instance>& out, const dsp_preset&) override
    {
        out = make_service<failing_resampler>();
        return true;
    }
    bool is_conversion_supported(std::uint32_t, std::uint32_t) override { return true; }
    bool create_preset(dsp_preset&, std::uint32_t, float) override { return true; }
    float get_priority() override { return 1.0f; }
};

} // namespace

TEST_F(host_faults, an_error_inside_the_resampler_reaches_the_caller_unchanged)
{
    service_registry_impl registry;
    add_provider(registry, make_service<failing_resampler_provider>());
    core_api::set_registry(&registry);
    max_rate_setting = 22050;
    for (const bytes& image : {plain_image(), dst_image()}) {
        service_ptr_t<input_decoder> decoder = open_decoder(host.entry, memory_file(image), never);
        audio_chunk_impl chunk;
        try {
            decoder->decode_next(chunk, never);
            ADD_FAILURE() << "no error";
        } catch (const exception_io& e) {
            EXPECT_STREQ(e.what(), "Resampler broke");
        }
    }
    core_api::set_registry(&host.registry);
}
