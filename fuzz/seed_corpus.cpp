// Writes the seed corpora of the fuzz targets from the project's own tools:
// valid plain and DST files with every feature the encoder can force, and the
// malformed files the tests state. Usage: fuzz_seeds OUTPUT_DIR; creates
// OUTPUT_DIR/open, OUTPUT_DIR/dst_frame and OUTPUT_DIR/configuration.
#include "dsd_generator.h"
#include "dsdiff_writer.h"
#include "dst_encoder/frame_encoder.h"
#include "open_control.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

using namespace dsdiff_writer;

namespace {

class corpus {
public:
    explicit corpus(std::filesystem::path dir) : dir_(std::move(dir)) { std::filesystem::create_directories(dir_); }
    void add(const std::string& name, const bytes& content)
    {
        write_file((dir_ / name).string(), content);
        ++count_;
    }
    int count() const { return count_; }

private:
    std::filesystem::path dir_;
    int count_ = 0;
};

// An open input: the control prefix, then the file.
bytes open_input(const bytes& file, fuzz::open_control control = {})
{
    const auto prefix = control.encode();
    bytes out(prefix.begin(), prefix.end());
    append(out, file);
    return out;
}

stream_format format_of(unsigned channels, std::uint32_t rate)
{
    stream_format f;
    f.sample_rate = rate;
    f.channel_ids = standard_channel_ids(channels);
    return f;
}

// Tones on every channel, as the modulator makes them. The modulator is
// designed for 2822400 Hz whatever rate the file states: the bits only need
// to look like real DSD.
bytes tone_dsd(unsigned channels, std::uint32_t, std::uint64_t bytes_per_channel)
{
    dsdgen::signal_description d;
    d.sample_rate = 2822400;
    for (unsigned c = 0; c < channels; ++c) {
        dsdgen::channel_signal s;
        s.tones.push_back({440.0 * (c + 1), -12.0});
        if (c % 2 == 1) s.band_noise = dsdgen::noise{-40.0, c + 1};
        d.channels.push_back(s);
    }
    return dsdgen::generate_dsd(d, bytes_per_channel);
}

std::vector<bytes> dst_frames(unsigned channels, int rate_factor, int count, const dst_encoder::encoder_options& options)
{
    dst_encoder::frame_encoder encoder(static_cast<int>(channels), rate_factor);
    const auto per_frame = static_cast<std::uint64_t>(encoder.geometry().bytes_per_channel);
    const bytes dsd = tone_dsd(channels, 44100u * static_cast<std::uint32_t>(rate_factor), per_frame * count);
    std::vector<bytes> frames;
    for (int i = 0; i < count; ++i) {
        const std::span<const std::uint8_t> one(dsd.data() + i * per_frame * channels, per_frame * channels);
        frames.push_back(encoder.encode(one, options));
    }
    return frames;
}

bytes file_form(std::initializer_list<bytes> children) { return form("FRM8", "DSD ", children); }

void add_valid_files(corpus& open, corpus& frames)
{
    // Plain DSD: channel layouts, both rate families, odd sizes, several blocks.
    for (unsigned channels : {1u, 2u, 3u, 5u, 6u})
        for (std::uint32_t rate : {2822400u, 3072000u, 5644800u}) {
            const bytes sound = tone_dsd(channels, rate, 300 + channels);
            open.add("plain_" + std::to_string(channels) + "ch_" + std::to_string(rate) + ".dff",
                     open_input(plain_file(format_of(channels, rate), sound), {1, 1, static_cast<std::uint8_t>(channels), 0}));
        }
    open.add("plain_two_blocks_seek_back.dff",
             open_input(plain_file(format_of(1, 2822400), tone_dsd(1, 2822400, 16384 + 100)), {2, 0, 0, 0}));
    open.add("plain_no_resampling.dff", open_input(plain_file(format_of(2, 2822400), tone_dsd(2, 2822400, 999)), {0, 259, 7, 0}));
    open.add("plain_seek_past_end.dff", open_input(plain_file(format_of(2, 2822400), tone_dsd(2, 2822400, 64)), {1, 32767, 1, 0}));
    open.add("plain_seek_negative.dff", open_input(plain_file(format_of(2, 2822400), tone_dsd(2, 2822400, 64)), {0, -32767, 2, 0}));
    open.add("plain_read_fault.dff", open_input(plain_file(format_of(2, 2822400), tone_dsd(2, 2822400, 256)), {1, 10, 0, 3}));
    open.add("plain_empty_sound.dff", open_input(plain_file(format_of(2, 2822400), {})));
    open.add("plain_unknown_channel.dff", open_input(plain_file({2822400, {std::string("XYZ\0", 4), "SRGT"}}, tone_dsd(2, 2822400, 32))));
    open.add("plain_side_channels.dff",
             open_input(plain_file({2822400, {"MLFT", "MRGT", "C   ", "LS  ", "RS  "}}, tone_dsd(5, 2822400, 32))));

    // DST: the encoder's random feature mixes, forced plain frames, table codings, several rates.
    struct dst_case {
        unsigned channels;
        int rate_factor;
        std::uint64_t seed;
    };
    const dst_case cases[] = {{2, 64, 1}, {2, 64, 2}, {2, 64, 3}, {1, 1, 4}, {3, 2, 5}, {5, 4, 6}, {6, 8, 7},
                              {2, 128, 8}, {1, 3, 9}, {2, 16, 10}, {4, 1, 11}, {6, 2, 12}, {2, 64, 13}, {1, 64, 14}};
    for (const dst_case& c : cases) {
        const dst_encoder::encoder_options options = dst_encoder::random_options(c.seed, static_cast<int>(c.channels));
        const std::vector<bytes> coded = dst_frames(c.channels, c.rate_factor, 3, options);
        const std::string name = std::to_string(c.channels) + "ch_f" + std::to_string(c.rate_factor) + "_seed" + std::to_string(c.seed);
        const auto rate = 44100u * static_cast<std::uint32_t>(c.rate_factor);
        open.add("dst_" + name + ".dff", open_input(dst_file(format_of(c.channels, rate), coded), {1, 1, static_cast<std::uint8_t>(c.seed), 0}));
        for (std::size_t i = 0; i < coded.size(); ++i) {
            const auto control = fuzz::frame_control::encode(static_cast<int>(c.channels), c.rate_factor);
            bytes input(control.begin(), control.end());
            append(input, coded[i]);
            frames.add("frame_" + name + "_" + std::to_string(i) + ".bin", input);
        }
    }
    dst_encoder::encoder_options plain;
    plain.force_plain = true;
    const auto plain_frames = dst_frames(2, 2, 2, plain);
    open.add("dst_plain_frames.dff", open_input(dst_file(format_of(2, 88200), plain_frames)));
    {
        const auto control = fuzz::frame_control::encode(2, 2);
        bytes input(control.begin(), control.end());
        append(input, plain_frames[0]);
        frames.add("frame_plain_2ch_f2.bin", input);
    }
    dst_encoder::encoder_options methods;
    methods.filter_coding = {dst_encoder::table_coding::method_0, dst_encoder::table_coding::method_1, dst_encoder::table_coding::method_2};
    methods.ptable_coding = {dst_encoder::table_coding::method_2, dst_encoder::table_coding::plain};
    methods.filter_segments = {4};
    methods.ptable_segments = {8};
    methods.half_prob = {true, false};
    methods.plain_fallback = false;
    open.add("dst_all_methods.dff", open_input(dst_file(format_of(2, 2822400), dst_frames(2, 64, 2, methods)), {0, 40, 1, 0}));

    // A DST frame whose code is cut short, and frames with other chunks between them.
    std::vector<bytes> cut = dst_frames(2, 1, 2, {});
    cut[1].resize(cut[1].size() / 2);
    open.add("dst_cut_frame.dff", open_input(dst_file(format_of(2, 44100), cut)));
    const std::vector<bytes> two = dst_frames(2, 1, 2, {});
    open.add("dst_chunks_between_frames.dff",
             open_input(file_form({fver(), prop(format_of(2, 44100), "DST "),
                                   container("DST ", {chunk("FRTE", cat({be32(2), be16(75)})), chunk("DSTF", two[0]),
                                                      chunk("DSTC", be32(7)), chunk("DSTF", two[1])})}),
                        {1, 2, 0, 0}));
}

void add_malformed_files(corpus& open)
{
    const stream_format stereo = format_of(2, 2822400);
    const bytes sound(64, 0x69);
    const bytes good_prop = prop(stereo, "DSD ");
    const bytes dsd = chunk("DSD ", sound);
    const auto add = [&open](const std::string& name, const bytes& file) { open.add("bad_" + name + ".dff", open_input(file)); };

    add("empty", {});
    add("three_bytes", text("FRM"));
    add("not_frm8", chunk("RIFF", bytes(20)));
    add("form_type_dst", form("FRM8", "DST ", {fver(), good_prop, dsd}));
    add("frm8_size_too_large", chunk("FRM8", cat({text("DSD "), fver()}), 1000));
    add("frm8_size_near_2_64", chunk("FRM8", cat({text("DSD "), fver()}), ~std::uint64_t{0} - 4));
    add("frm8_too_small", chunk("FRM8", text("DS")));
    add("trailing_bytes", cat({file_form({fver(), good_prop, dsd}), text("ABCDEF")}));
    add("trailing_chunk", cat({file_form({fver(), good_prop, dsd}), chunk("COMT", text("hello"))}));
    add("odd_chunk_padded", file_form({chunk("ODD ", text("abc")), fver(), good_prop, dsd}));
    add("no_fver", file_form({good_prop, dsd}));
    add("two_fver", file_form({fver(), fver(), good_prop, dsd}));
    add("fver_wrong_size", file_form({chunk("FVER", bytes(3)), good_prop, dsd}));
    add("fver_too_new", file_form({fver(0x01060000), good_prop, dsd}));
    add("no_prop", file_form({fver(), dsd}));
    add("two_prop", file_form({fver(), good_prop, good_prop, dsd}));
    add("empty_prop", file_form({fver(), form("PROP", "SND ", {}), dsd}));
    add("prop_wrong_type", file_form({fver(), form("PROP", "XYZ ", {}), dsd}));
    add("prop_too_small", file_form({fver(), chunk("PROP", text("SN")), dsd}));
    add("prop_without_cmpr", file_form({fver(), form("PROP", "SND ", {fs(2822400), chnl(stereo.channel_ids)}), dsd}));
    add("prop_container_child",
        file_form({fver(), form("PROP", "SND ", {fs(2822400), chnl(stereo.channel_ids), cmpr("DSD ", "x"), container("DST ", {})}), dsd}));
    add("chnl_too_small",
        file_form({fver(), form("PROP", "SND ", {chunk("CHNL", cat({be16(3), text("SLFTSRGTC ")})), fs(1), fs(2)}), dsd}));
    add("channels_reversed", plain_file({2822400, {"SRGT", "SLFT"}}, sound));
    add("channels_duplicate", plain_file({2822400, {"SLFT", "SLFT"}}, sound));
    add("five_channels_wrong_order", plain_file({2822400, {"SRGT", "SLFT", "C   ", "LS  ", "RS  "}}, bytes(80, 0x69)));
    add("zero_channels", file_form({fver(), form("PROP", "SND ", {fs(2822400), chunk("CHNL", be16(0)), cmpr("DSD ", "x")}), dsd}));
    add("zero_rate", plain_file(format_of(2, 0), sound));
    add("rate_too_high", plain_file(format_of(2, 0xFFFFFFFFu), sound));
    add("rate_odd", plain_file(format_of(2, 12345), sound));
    add("fs_wrong_size", file_form({fver(), form("PROP", "SND ", {chunk("FS  ", bytes(5)), chnl(stereo.channel_ids), cmpr("DSD ", "x")}), dsd}));
    add("two_fs", file_form({fver(), form("PROP", "SND ", {fs(1), fs(2), chnl(stereo.channel_ids), cmpr("DSD ", "x")}), dsd}));
    add("cmpr_unknown", file_form({fver(), form("PROP", "SND ", {fs(2822400), chnl(stereo.channel_ids), cmpr("ZIP ", "zipped")}), dsd}));
    add("cmpr_name_too_long",
        file_form({fver(), form("PROP", "SND ", {fs(2822400), chnl(stereo.channel_ids), chunk("CMPR", cat({text("ZIP "), bytes{200}, text("ab")}))}), dsd}));
    add("abss_lsco", file_form({fver(), form("PROP", "SND ", {fs(2822400), chnl(stereo.channel_ids), cmpr("DSD ", "x"), chunk("ABSS", bytes(8)),
                                                               chunk("LSCO", bytes(2))}), dsd}));
    add("abss_wrong_size", file_form({fver(), form("PROP", "SND ", {fs(2822400), chnl(stereo.channel_ids), cmpr("DSD ", "x"), chunk("ABSS", bytes(7))}), dsd}));
    add("no_dsd_chunk", file_form({fver(), good_prop}));
    add("two_dsd_chunks", file_form({fver(), good_prop, dsd, dsd}));
    add("dsd_chunk_runs_past_form", cat({chunk("FRM8", cat({text("DSD "), fver(), good_prop, chunk("DSD ", bytes(8))}), 4 + 12 + 12 + good_prop.size() + 100),
                                         bytes(200, 0x69)}));
    add("dsd_chunk_past_end_of_form", file_form({fver(), good_prop, chunk("DSD ", sound, 200)}));
    add("diin_holding_frm8", file_form({fver(), good_prop, container("DIIN", {form("FRM8", "DSD ", {chunk("DITI", text("title"))})}), dsd}));

    const stream_format dst_stereo = format_of(2, 44100);
    const std::vector<bytes> frames = dst_frames(2, 1, 1, {});
    const bytes dst_prop = prop(dst_stereo, "DST ");
    add("dst_no_dst_chunk", file_form({fver(), dst_prop}));
    add("dst_no_frames", file_form({fver(), dst_prop, container("DST ", {chunk("FRTE", cat({be32(0), be16(75)}))})}));
    add("dst_frte_second", file_form({fver(), dst_prop, container("DST ", {chunk("DSTF", frames[0]), chunk("FRTE", cat({be32(1), be16(75)}))})}));
    add("dst_frame_rate_60", file_form({fver(), dst_prop, container("DST ", {chunk("FRTE", cat({be32(1), be16(60)})), chunk("DSTF", frames[0])})}));
    add("dst_frte_wrong_size", file_form({fver(), dst_prop, container("DST ", {chunk("FRTE", be32(1)), chunk("DSTF", frames[0])})}));
    const bytes dst_chunk = container("DST ", {chunk("FRTE", cat({be32(1), be16(75)})), chunk("DSTF", frames[0])});
    add("dst_two_dst_chunks", file_form({fver(), dst_prop, dst_chunk, dst_chunk}));
    add("dst_frame_container", file_form({fver(), dst_prop, container("DST ", {chunk("FRTE", cat({be32(1), be16(75)})), container("DSTF", {})})}));
    add("dst_frame_empty", dst_file(dst_stereo, {bytes{}}));
    add("dst_frame_huge_declared", file_form({fver(), dst_prop, container("DST ", {chunk("FRTE", cat({be32(1), be16(75)})), chunk("DSTF", frames[0], 1u << 30)})}));
    add("dst_rate_not_44100_multiple", dst_file(format_of(2, 3072000), frames));
    add("dst_many_channels", dst_file({44100, std::vector<std::string>(127, "XXXX")}, frames));
    add("dst_frame_count_huge", file_form({fver(), dst_prop, container("DST ", {chunk("FRTE", cat({be32(0xFFFFFFFF), be16(75)})), chunk("DSTF", frames[0])})}));

    // Containers nested just within and beyond the limit.
    for (int depth : {30, 40}) {
        bytes inner = chunk("DSD ", sound);
        for (int i = 0; i < depth; ++i) inner = chunk("DIIN", inner);
        add("nested_" + std::to_string(depth), file_form({fver(), good_prop, dsd, inner}));
    }
}

void add_configurations(corpus& config)
{
    const bytes rate_guid{0x84, 0xF2, 0x35, 0xB7, 0x7A, 0x60, 0xC2, 0x4E, 0x91, 0xA0, 0xAC, 0x76, 0x1A, 0xF9, 0x0B, 0x7E};
    const bytes history_guid{0xA4, 0x40, 0x78, 0xCC, 0x40, 0xD5, 0x50, 0x46, 0x91, 0x3F, 0x5F, 0xD5, 0xC7, 0xA6, 0xA7, 0x37};
    const auto le32 = [](std::uint32_t v) {
        return bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                     static_cast<std::uint8_t>(v >> 24)};
    };
    const auto record = [&](const bytes& id, const bytes& value) { return cat({id, le32(static_cast<std::uint32_t>(value.size())), value}); };

    config.add("empty.cfg", {});
    config.add("defaults.cfg", cat({record(history_guid, {}), record(rate_guid, le32(88200))}));
    config.add("rate_40000.cfg", record(rate_guid, le32(40000)));
    config.add("rate_short.cfg", cat({record(rate_guid, bytes{0x40, 0x9C}), record(history_guid, text("44100\n"))}));
    config.add("rate_long.cfg", record(rate_guid, cat({le32(96000), bytes{1, 2}})));
    config.add("history.cfg", record(history_guid, text("\n\n44100\n\n48000")));
    config.add("history_with_zero.cfg", record(history_guid, cat({text("88200\n"), bytes{0}, text("96000\n")})));
    bytes long_history;
    for (int i = 0; i < 40; ++i) append(long_history, text(std::to_string(44100 + i * 1000) + "\n"));
    config.add("history_long.cfg", record(history_guid, long_history));
    config.add("unknown_record.cfg", cat({record(bytes(16, 0x11), bytes(10, 0x22)), record(rate_guid, le32(176400))}));
    config.add("truncated_length.cfg", cat({rate_guid, bytes{4, 0}}));
    config.add("truncated_value.cfg", cat({history_guid, le32(100), text("441")}));
    config.add("truncated_guid.cfg", cat({record(rate_guid, le32(48000)), bytes(7, 0x84)}));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_DIR\n");
        return 2;
    }
    try {
        const std::filesystem::path out = argv[1];
        corpus open(out / "open"), frames(out / "dst_frame"), config(out / "configuration");
        add_valid_files(open, frames);
        add_malformed_files(open);
        add_configurations(config);
        std::printf("open: %d, dst_frame: %d, configuration: %d seeds\n", open.count(), frames.count(), config.count());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
