// The chunk tree: framing, node kinds, size checks, nesting and range readers.
#include "iff/iff_packet.h"
#include "iff/reader_limited_v2.h"
#include "memory_source.h"
#include "qvxhost/player/abort_signal_impl.h"
#include "tests/doubles/file_wrapper.h"

#include <gtest/gtest.h>

using namespace dsdiff_writer;
using namespace iff_stream;

namespace {

abort_signal_impl never;

void load(iff_packet_container& root, const bytes& image) { root.load(memory_source(image), never); }

// The message of what `image` throws when loaded, or "" when it loads.
template <class Expected = std::exception>
std::string load_error(const bytes& image)
{
    iff_packet_container root;
    try {
        load(root, image);
    } catch (const Expected& e) {
        return e.what();
    }
    return "";
}

std::string read_all(file& f)
{
    std::string out(static_cast<std::size_t>(f.get_size(never)), '\0');
    f.reopen(never);
    out.resize(f.read(out.data(), out.size(), never));
    return out;
}

const bytes minimal_form = form("FRM8", "DSD ", {chunk("FVER", be32(0x01050000))});

} // namespace

TEST(iff_packet_container, empty_file_gives_empty_tree)
{
    iff_packet_container root;
    load(root, {});
    EXPECT_TRUE(root.children.empty());
    EXPECT_EQ(root.id, id_none);
}

TEST(iff_packet_container, first_chunk_must_be_frm8)
{
    for (std::size_t n = 1; n <= 3; ++n)
        EXPECT_EQ(load_error<exception_io_data_truncation>(bytes(n, 'F')), "Unsupported format or corrupted file") << n;
    EXPECT_EQ(load_error<exception_io_data>(text("RIFF")), "Not a DSDIFF file");
    EXPECT_EQ(load_error<exception_io_data>(chunk("FVER", be32(1))), "Not a DSDIFF file");
    EXPECT_EQ(load_error<exception_io_data>(form("FRM8", "DST ", {})), "Not a DSDIFF file");
    EXPECT_EQ(load_error(minimal_form), "");
}

TEST(iff_packet_container, frm8_contents_merge_into_root)
{
    iff_packet_container root;
    load(root, cat({minimal_form, chunk("COMT", text("hi"))}));
    EXPECT_EQ(root.id, make_id("FRM8"));
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0]->id, make_id("FVER"));
    EXPECT_EQ(root.children[1]->id, make_id("COMT"));
}

TEST(iff_packet_container, chunk_size_is_checked_against_the_enclosing_stream)
{
    bytes exact = minimal_form;
    ASSERT_EQ(load_error(exact), "");
    bytes one_more = minimal_form;
    one_more[11] += 1; // L = file size − 11
    EXPECT_EQ(load_error<exception_io_data_truncation>(one_more), "Chunk size too large");
    bytes huge = minimal_form;
    for (int i = 4; i < 12; ++i) huge[static_cast<std::size_t>(i)] = 0xFF; // L near 2^64 must not wrap
    EXPECT_EQ(load_error<exception_io_data_truncation>(huge), "Chunk size too large");
}

TEST(iff_packet_container, trailing_partial_header_is_truncation)
{
    for (std::size_t extra = 1; extra <= 11; ++extra) {
        bytes image = minimal_form;
        image.insert(image.end(), extra, 'x');
        EXPECT_EQ(load_error<exception_io_data_truncation>(image), "Unsupported format or corrupted file") << extra;
    }
}

TEST(iff_packet_container, odd_sizes_are_followed_by_a_pad_byte)
{
    iff_packet_container root;
    load(root, form("FRM8", "DSD ", {chunk("ODD1", text("abc")), chunk("NEXT", text("z"))}));
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(static_cast<iff_packet_data&>(*root.children[0]).data, text("abc"));
    EXPECT_EQ(root.children[1]->id, make_id("NEXT"));
}

TEST(iff_packet_container, inline_limit_is_inclusive)
{
    iff_packet_container root;
    load(root, form("FRM8", "DSD ", {chunk("BIG1", bytes(131072, 7)), chunk("BIG2", bytes(131073, 9))}));
    ASSERT_EQ(root.children.size(), 2u);
    ASSERT_EQ(root.children[0]->type, type_data);
    EXPECT_EQ(static_cast<iff_packet_data&>(*root.children[0]).data.size(), 131072u);
    ASSERT_EQ(root.children[1]->type, type_file);
    EXPECT_EQ(static_cast<iff_packet_file&>(*root.children[1]).reader->get_size(never), 131073u);
}

TEST(iff_packet_container, sound_and_frame_chunks_stay_in_the_file)
{
    iff_packet_container root;
    load(root, form("FRM8", "DSD ", {chunk("DSD ", {}), container("DST ", {chunk("DSTF", text("frame"))})}));
    ASSERT_EQ(root.children.size(), 2u);
    ASSERT_EQ(root.children[0]->type, type_file);
    EXPECT_EQ(static_cast<iff_packet_file&>(*root.children[0]).reader->get_size(never), 0u);
    auto& dst = static_cast<iff_packet_container&>(*root.children[1]);
    ASSERT_EQ(dst.type, type_container);
    ASSERT_EQ(dst.children.size(), 1u);
    ASSERT_EQ(dst.children[0]->type, type_file);
    // Nested readers stay valid after loading: frame → "DST " → "FRM8" → file.
    EXPECT_EQ(read_all(*static_cast<iff_packet_file&>(*dst.children[0]).reader), "frame");
}

TEST(iff_packet_container, frm8_inside_a_container_merges_into_it)
{
    iff_packet_container root;
    load(root, form("FRM8", "DSD ", {container("DIIN", {form("FRM8", "DSD ", {chunk("EMID", text("id"))})})}));
    ASSERT_EQ(root.children.size(), 1u);
    auto& diin = static_cast<iff_packet_container&>(*root.children[0]);
    EXPECT_EQ(diin.id, make_id("FRM8"));
    ASSERT_EQ(diin.children.size(), 1u);
    EXPECT_EQ(diin.children[0]->id, make_id("EMID"));
}

TEST(iff_packet_container, form_and_prop_types_are_checked)
{
    EXPECT_EQ(load_error<exception_io_data>(form("FRM8", "DSD ", {form("PROP", "XYZ ", {})})), "Invalid PROP chunk");
    EXPECT_EQ(load_error<exception_io_data>(form("FRM8", "DSD ", {chunk("PROP", text("SN"))})), "PROP chunk too small");
    EXPECT_EQ(load_error<exception_io_data>(cat({text("FRM8"), be64(2), text("DS")})), "FRM8 chunk too small");
}

TEST(iff_packet_container, deep_nesting_is_refused)
{
    bytes inner = chunk("LEAF", text("x"));
    for (int depth = 0; depth < 40; ++depth) inner = chunk("DIIN", inner);
    EXPECT_EQ(load_error<exception_io_data>(form("FRM8", "DSD ", {inner})), "Chunks nested too deeply");

    bytes shallow = chunk("LEAF", text("x"));
    for (int depth = 0; depth < 20; ++depth) shallow = chunk("DIIN", shallow);
    EXPECT_EQ(load_error(form("FRM8", "DSD ", {shallow})), "");
}

TEST(iff_packet_container, container_payload_cut_short_is_truncation)
{
    // "DST " claims more than it has; its own chunks run out mid-header.
    bytes inner = cat({chunk("DSTF", text("ab")), text("DST")});
    bytes image = form("FRM8", "DSD ", {chunk("DST ", inner)});
    EXPECT_EQ(load_error<exception_io_data_truncation>(image), "Unsupported format or corrupted file");
}

TEST(iff_packet_container, unknown_stream_size_is_refused)
{
    iff_packet_container root;
    service_ptr_t<file> hidden = make_service<unknown_size_file_impl>(memory_source(minimal_form));
    try {
        root.load(hidden, never);
        FAIL() << "loaded a stream of unknown size";
    } catch (const exception_io_no_length& e) {
        EXPECT_STREQ(e.what(), "Length of object is unknown");
    }
}

TEST(iff_packet_container, find_child_searches_from_start_index)
{
    iff_packet_container root;
    load(root, form("FRM8", "DSD ", {chunk("AAAA", {}), chunk("BBBB", {}), chunk("AAAA", {})}));
    iff_packet_base* node = nullptr;
    std::size_t index = 99;
    ASSERT_TRUE(root.find_child(0, make_id("AAAA"), node, index));
    EXPECT_EQ(index, 0u);
    ASSERT_TRUE(root.find_child(index + 1, make_id("AAAA"), node, index));
    EXPECT_EQ(index, 2u);
    EXPECT_FALSE(root.find_child(3, make_id("AAAA"), node, index));
    EXPECT_FALSE(root.find_child(50, make_id("BBBB"), node, index));
    EXPECT_EQ(index, 2u) << "outputs untouched on failure";
}

TEST(reader_limited, reads_stop_at_range_end)
{
    service_ptr_t<file> base = memory_source(text("0123456789"));
    service_ptr_t<file> reader = make_service<reader_limited_v2>(base, 2, 6);
    EXPECT_EQ(reader->get_size(never), 4u);
    char buf[16] = {};
    EXPECT_EQ(reader->read(buf, sizeof buf, never), 4u);
    EXPECT_EQ(std::string(buf, 4), "2345");
    EXPECT_EQ(reader->read(buf, sizeof buf, never), 0u);
    reader->seek(3, never);
    EXPECT_EQ(reader->read(buf, sizeof buf, never), 1u);
    EXPECT_EQ(buf[0], '5');
    reader->seek(100, never);
    EXPECT_EQ(reader->read(buf, sizeof buf, never), 0u);
    reader->seek(~std::uint64_t{0}, never); // must not wrap to before the range
    EXPECT_EQ(reader->read(buf, sizeof buf, never), 0u);
    EXPECT_THROW(reader->read_object(buf, 1, never), exception_io_data_truncation);
}

TEST(reader_limited, two_readers_over_one_base_alternate)
{
    service_ptr_t<file> base = memory_source(text("abcdefghij"));
    service_ptr_t<file> first = make_service<reader_limited_v2>(base, 0, 5);
    service_ptr_t<file> second = make_service<reader_limited_v2>(base, 5, 10);
    std::string a, b;
    for (int i = 0; i < 5; ++i) {
        char c = 0;
        ASSERT_EQ(first->read(&c, 1, never), 1u);
        a += c;
        ASSERT_EQ(second->read(&c, 1, never), 1u);
        b += c;
    }
    EXPECT_EQ(a, "abcde");
    EXPECT_EQ(b, "fghij");
}

TEST(reader_limited, is_read_only_and_answers_only_the_file_interface)
{
    service_ptr_t<file> reader = make_service<reader_limited_v2>(memory_source(text("abc")), 0, 3);
    EXPECT_THROW(reader->write("x", 1, never), exception_io_denied);
    EXPECT_THROW(reader->resize(0, never), exception_io_denied);
    EXPECT_THROW(reader->seek_ex(0, 7, never), exception_io_data);
    reader->seek_ex(-1, file::seek_from_eof, never);
    EXPECT_EQ(reader->get_position(never), 2u);
    service_ptr_t<service_base> out;
    EXPECT_TRUE(reader->service_query(out, file::class_guid));
    EXPECT_FALSE(reader->service_query(out, stream_writer::class_guid));
}

TEST(iff_packet_container, memory_of_the_tree_is_bounded)
{
    // Small payloads are loaded, but not without end.
    bytes many_loaded;
    for (int i = 0; i < 128; ++i) append(many_loaded, chunk("COMT", bytes(131072, 0)));
    EXPECT_EQ(load_error(form("FRM8", "DSD ", {many_loaded})), "");
    append(many_loaded, chunk("COMT", bytes(1, 0)));
    EXPECT_EQ(load_error<exception_io_data>(form("FRM8", "DSD ", {many_loaded})), "Too much chunk data");

    // Every chunk costs a node: their number is bounded too.
    const bytes empty_chunk = chunk("MARK", {});
    bytes many_chunks;
    many_chunks.reserve(empty_chunk.size() * (max_chunk_count + 1));
    for (std::size_t i = 0; i + 1 < max_chunk_count; ++i) append(many_chunks, empty_chunk); // + the "FRM8" chunk itself
    EXPECT_EQ(load_error(form("FRM8", "DSD ", {many_chunks})), "");
    append(many_chunks, empty_chunk);
    EXPECT_EQ(load_error<exception_io_data>(form("FRM8", "DSD ", {many_chunks})), "Too many chunks");
}
