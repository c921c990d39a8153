// Several decoder and information objects working on different files at once,
// on several threads, as the player uses them: each delivers exactly what it
// delivers alone, and a setting changed meanwhile only reaches objects opened
// afterwards. Meant to run under ThreadSanitizer too (build-tsan).
#include "dst_encoder/frame_encoder.h"
#include "playback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <limits>
#include <thread>

using namespace dsdiff_writer;
using namespace robustness;

namespace {

constexpr int thread_count = 4;

struct job {
    std::string name;
    bytes image;
};

bytes dst_image(unsigned channels, int rate_factor, int frame_count, unsigned seed)
{
    dst_encoder::frame_encoder encoder(static_cast<int>(channels), rate_factor);
    const auto frame_bytes = static_cast<std::size_t>(encoder.geometry().frame_bytes());
    std::vector<bytes> frames;
    for (int i = 0; i < frame_count; ++i)
        frames.push_back(encoder.encode(random_dsd(frame_bytes, seed + static_cast<unsigned>(i)),
                                        dst_encoder::random_options(seed + static_cast<unsigned>(i), static_cast<int>(channels))));
    return dst_file(format_of(channels, 44100u * static_cast<std::uint32_t>(rate_factor)), frames);
}

std::vector<job> jobs()
{
    std::vector<job> out;
    unsigned seed = 1;
    for (unsigned channels : {1u, 2u, 5u, 6u})
        for (std::uint32_t rate : {2822400u, 5644800u})
            out.push_back({"plain " + std::to_string(channels) + "ch " + std::to_string(rate),
                           plain_file(format_of(channels, rate), random_dsd(channels * (16384 + 3000 * channels), seed++))});
    out.push_back({"dst 2ch f8", dst_image(2, 8, 4, 50)});
    out.push_back({"dst 1ch f16", dst_image(1, 16, 3, 60)});
    out.push_back({"dst 6ch f4", dst_image(6, 4, 3, 70)});
    out.push_back({"dst 2ch f64", dst_image(2, 64, 2, 80)});
    return out;
}

// What one object reports and delivers.
struct outcome {
    std::string info;
    playback played;
    friend bool operator==(const outcome&, const outcome&) = default;
};

std::string information(input_entry& entry, const bytes& image, abort_signal& abort)
{
    service_ptr_t<input_info_reader> reader;
    entry.open_info_reader(reader, memory_file(image), "test.dff", abort);
    track_info_impl info;
    reader->read_info(0, info, abort);
    std::string text;
    for (const auto& f : info.fields()) text += f.name + "=" + f.value + ";";
    return text + "length=" + std::to_string(info.length());
}

outcome alone(input_entry& entry, const bytes& image)
{
    abort_signal_impl never;
    outcome o{information(entry, image, never), {}};
    service_ptr_t<input_decoder> decoder = open_decoder(entry, memory_file(image), never);
    o.played = drain(*decoder, never);
    return o;
}

// The objects one thread works on at once: all opened first, then decoded a
// chunk at a time in turn.
class interleaved_batch {
public:
    interleaved_batch(input_entry& entry, const std::vector<job>& all, int thread)
    {
        for (std::size_t i = static_cast<std::size_t>(thread); i < all.size(); i += thread_count) {
            members.push_back({i, open_decoder(entry, memory_file(all[i].image), abort), {}});
            members.back().result.info = information(entry, all[i].image, abort);
        }
    }

    // At most `rounds` chunks per object.
    void decode(int rounds = std::numeric_limits<int>::max())
    {
        bool any = true;
        audio_chunk_impl chunk;
        for (int round = 0; any && round < rounds; ++round) {
            any = false;
            for (member& m : members) {
                if (m.done) continue;
                if (m.decoder->decode_next(chunk, abort)) {
                    append_chunk(m.result.played, chunk);
                    any = true;
                } else {
                    m.done = true;
                }
            }
        }
    }

    struct member {
        std::size_t job_index;
        service_ptr_t<input_decoder> decoder;
        outcome result;
        bool done = false;
    };
    std::vector<member> members;

private:
    abort_signal_impl abort;
};

class concurrency : public ::testing::Test {
protected:
    host_scope host;
};

} // namespace

TEST_F(concurrency, objects_on_several_threads_deliver_what_they_deliver_alone)
{
    max_rate_setting = 88200;
    const std::vector<job> all = jobs();
    std::vector<outcome> expected;
    for (const job& j : all) expected.push_back(alone(host.entry, j.image));

    std::vector<std::vector<interleaved_batch::member>> results(thread_count);
    std::vector<std::thread> threads;
    std::latch opened(thread_count);
    for (int t = 0; t < thread_count; ++t)
        threads.emplace_back([&, t] {
            interleaved_batch batch(host.entry, all, t);
            opened.arrive_and_wait(); // every object exists before any decodes
            batch.decode();
            results[static_cast<std::size_t>(t)] = std::move(batch.members);
        });
    for (std::thread& t : threads) t.join();

    std::size_t checked = 0;
    for (const auto& batch : results)
        for (const auto& m : batch) {
            EXPECT_TRUE(m.result == expected[m.job_index]) << all[m.job_index].name;
            ++checked;
        }
    EXPECT_EQ(checked, all.size());
}

TEST_F(concurrency, a_setting_changed_while_others_decode_reaches_only_objects_opened_afterwards)
{
    const std::vector<job> all = jobs();
    max_rate_setting = 44100;
    std::vector<outcome> expected_after;
    for (const job& j : all) expected_after.push_back(alone(host.entry, j.image));
    max_rate_setting = 88200;
    std::vector<outcome> expected_before;
    for (const job& j : all) expected_before.push_back(alone(host.entry, j.image));

    std::vector<std::vector<interleaved_batch::member>> before(thread_count), after(thread_count);
    std::latch opened(thread_count + 1), changed(1);
    std::vector<std::thread> threads;
    for (int t = 0; t < thread_count; ++t)
        threads.emplace_back([&, t] {
            interleaved_batch first(host.entry, all, t);
            first.decode(1);
            opened.count_down();
            changed.wait();
            interleaved_batch second(host.entry, all, t); // opened after the change
            first.decode();
            second.decode();
            before[static_cast<std::size_t>(t)] = std::move(first.members);
            after[static_cast<std::size_t>(t)] = std::move(second.members);
        });
    opened.arrive_and_wait();
    max_rate_setting = 44100; // as the preferences page applies it, on its own thread
    changed.count_down();
    for (std::thread& t : threads) t.join();

    for (int t = 0; t < thread_count; ++t) {
        for (const auto& m : before[static_cast<std::size_t>(t)])
            EXPECT_TRUE(m.result == expected_before[m.job_index]) << "opened before: " << all[m.job_index].name;
        for (const auto& m : after[static_cast<std::size_t>(t)])
            EXPECT_TRUE(m.result == expected_after[m.job_index]) << "opened after: " << all[m.job_index].name;
    }
    EXPECT_NE(expected_before[0].played.rates, expected_after[0].played.rates);
}
