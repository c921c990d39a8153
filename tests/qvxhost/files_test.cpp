#include "qvxhost/player/abort_signal_impl.h"
#include "tests/doubles/faulty_file.h"
#include "tests/doubles/file_wrapper.h"
#include "qvxhost/player/local_filesystem.h"
#include "tests/doubles/memory_file.h"
#include "qvxhost/player/service_impl.h"
#include "temp_dir.h"
#ifdef _WIN32
#include "qvxhost/player/windows_text.h"
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <vector>

namespace {

std::vector<std::uint8_t> counting_bytes(std::size_t count)
{
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return bytes;
}

void write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> read_some(file& f, std::size_t count, abort_signal& abort)
{
    std::vector<std::uint8_t> got(count);
    got.resize(f.read(got.data(), count, abort));
    return got;
}

// The same behaviour is expected of every seekable read-only file.
void check_seekable_reads(file& f, const std::vector<std::uint8_t>& content)
{
    abort_signal_impl abort;
    EXPECT_EQ(f.get_size(abort), content.size());
    EXPECT_TRUE(f.can_seek());
    EXPECT_EQ(read_some(f, 10, abort), std::vector<std::uint8_t>(content.begin(), content.begin() + 10));
    EXPECT_EQ(f.get_position(abort), 10u);

    f.seek(content.size() - 5, abort);
    // A read past the end delivers what is left, then nothing.
    EXPECT_EQ(read_some(f, 100, abort), std::vector<std::uint8_t>(content.end() - 5, content.end()));
    EXPECT_EQ(read_some(f, 100, abort).size(), 0u);
    std::uint8_t byte = 0;
    f.seek(content.size() - 1, abort);
    EXPECT_THROW(f.read_object(&byte, 2, abort), exception_io_data_truncation);

    f.reopen(abort);
    EXPECT_EQ(f.get_position(abort), 0u);
    EXPECT_EQ(read_some(f, 3, abort), std::vector<std::uint8_t>(content.begin(), content.begin() + 3));

    f.seek_ex(-4, file::seek_from_eof, abort);
    EXPECT_EQ(f.get_position(abort), content.size() - 4);
    EXPECT_EQ(f.skip(100, abort), 4u);
    // Past the end: the position goes there, reads deliver nothing.
    f.seek(content.size() + 1, abort);
    EXPECT_EQ(f.get_position(abort), content.size() + 1);
    EXPECT_EQ(read_some(f, 100, abort).size(), 0u);
    EXPECT_THROW(f.read_object(&byte, 1, abort), exception_io_data_truncation);
    EXPECT_EQ(f.skip(100, abort), 0u);

    EXPECT_THROW(f.write("x", 1, abort), exception_io_denied);
    EXPECT_THROW(f.resize(0, abort), exception_io_denied);

    abort.set();
    EXPECT_THROW(f.read(&byte, 1, abort), exception_aborted);
}

} // namespace

// A local file reads, seeks and reports its size like any file, and stays read-only; so does an empty one.
TEST(local_file, reads_seeks_and_refuses_writes)
{
    temp_dir dir;
    const auto content = counting_bytes(1000);
    write_bytes(dir.file("a.bin"), content);
    abort_signal_impl abort;
    file_ptr f = open_local_file(dir.file("a.bin"), abort);
    check_seekable_reads(*f, content);
    EXPECT_GT(f->get_timestamp(abort), 116444736000000000u) << "ticks since 1601 of a file written after 1970";

    // An empty file, which no system maps, opens and reads as nothing.
    write_bytes(dir.file("empty.bin"), {});
    file_ptr empty = open_local_file(dir.file("empty.bin"), abort);
    EXPECT_EQ(empty->get_size(abort), 0u);
    EXPECT_EQ(read_some(*empty, 10, abort).size(), 0u);
}

// Positions, sizes and reads work beyond 4 GiB (a sparse file, so no disk is used).
TEST(local_file, handles_files_larger_than_4_gib)
{
    temp_dir dir;
    const std::string path = dir.file("big.bin");
    const std::uint64_t size = (std::uint64_t{5} << 30) + 3;
    std::filesystem::resize_file((write_bytes(path, {}), path), size);
    {
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(size - 3));
        out.write("END", 3);
    }
    abort_signal_impl abort;
    file_ptr f = open_local_file(path, abort);
    EXPECT_EQ(f->get_size(abort), size);
    f->seek(size - 4, abort);
    EXPECT_EQ(f->get_position(abort), size - 4);
    char tail[8] = {};
    ASSERT_EQ(f->read(tail, sizeof tail, abort), 4u);
    EXPECT_EQ(std::string(tail, 4), std::string("\0END", 4));
    EXPECT_EQ(f->get_position(abort), size);
}

// A walk like a parser's over chunk headers (small reads at a steady, then drifting, stride)
// and reads across the boundaries of the mapped windows deliver the file's bytes, near its
// end too.
TEST(local_file, strided_small_reads_and_reads_across_windows_match_the_content)
{
    temp_dir dir;
    const auto content = counting_bytes((std::size_t{5} << 20) + 333);
    write_bytes(dir.file("walk.bin"), content);
    abort_signal_impl abort;
    file_ptr f = open_local_file(dir.file("walk.bin"), abort);
    auto expect_at = [&](std::uint64_t position, std::size_t count) {
        f->seek(position, abort);
        const auto end = static_cast<std::size_t>(std::min<std::uint64_t>(position + count, content.size()));
        EXPECT_EQ(read_some(*f, count, abort),
                  std::vector<std::uint8_t>(content.begin() + static_cast<std::ptrdiff_t>(position),
                                            content.begin() + static_cast<std::ptrdiff_t>(end)))
            << "at " << position;
    };
    std::uint64_t position = 0;
    for (int i = 0; position < content.size(); ++i) {
        expect_at(position, 12);
        position += 4100 + static_cast<std::uint64_t>(i % 7) * (i < 600 ? 1 : 150);
    }
    for (std::uint64_t boundary : {std::uint64_t{1} << 20, std::uint64_t{2} << 20, std::uint64_t{4} << 20})
        expect_at(boundary - 50, 100);
    expect_at(content.size() - 10, 64);
}

// A missing file names the path and the reason; a directory is no file.
TEST(local_file, missing_file_is_an_io_error_naming_the_path)
{
    temp_dir dir;
    abort_signal_impl abort;
    try {
        open_local_file(dir.file("nothing.dff"), abort);
        FAIL() << "opened a missing file";
    } catch (const exception_io& e) {
        EXPECT_NE(std::string(e.what()).find("nothing.dff"), std::string::npos) << e.what();
#ifdef _WIN32
        // The system's own words, which differ between Windows and Wine.
        const std::string reason = windows_error_text(2); // ERROR_FILE_NOT_FOUND
#else
        const std::string reason = "No such file";
#endif
        EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
    write_bytes(dir.file("x"), {1});
    EXPECT_THROW(open_local_file(dir.file(""), abort), exception_io);
}

// The local file system takes plain and file:// paths, nothing with another scheme, and only reads.
TEST(local_filesystem_impl, accepts_local_paths_and_opens_for_reading)
{
    temp_dir dir;
    write_bytes(dir.file("a.dff"), counting_bytes(4));
    service_uncounted<local_filesystem_impl> fs;
    abort_signal_impl abort;
    EXPECT_TRUE(fs.is_our_path(dir.file("a.dff").c_str()));
    EXPECT_TRUE(fs.is_our_path("relative/a.dff"));
    EXPECT_TRUE(fs.is_our_path(("file://" + dir.file("a.dff")).c_str()));
    EXPECT_FALSE(fs.is_our_path("http://example.invalid/a.dff"));
    EXPECT_FALSE(fs.is_our_path(""));

    file_ptr f;
    fs.open(f, ("file://" + dir.file("a.dff")).c_str(), filesystem::open_mode_read, abort);
    EXPECT_EQ(f->get_size(abort), 4u);
    file_ptr denied;
    EXPECT_THROW(fs.open(denied, dir.file("a.dff").c_str(), static_cast<filesystem::open_mode>(1), abort),
                 exception_io_denied);
    EXPECT_TRUE(denied.is_empty());
}

// A memory file behaves as a local file with the same bytes.
TEST(memory_file_impl, behaves_like_a_local_file)
{
    const auto content = counting_bytes(300);
    auto f = make_service<memory_file_impl>(content, 1234);
    check_seekable_reads(*f, content);
    abort_signal_impl abort;
    EXPECT_EQ(f->get_timestamp(abort), 1234u);
}

// Hiding the size leaves reads and seeks working and skipping falls back to reading.
TEST(unknown_size_file_impl, reports_no_size_but_reads)
{
    const auto content = counting_bytes(50);
    auto f = make_service<unknown_size_file_impl>(make_service<memory_file_impl>(content));
    abort_signal_impl abort;
    EXPECT_EQ(f->get_size(abort), filesize_invalid);
    EXPECT_EQ(f->skip(45, abort), 45u);
    EXPECT_EQ(read_some(*f, 10, abort), std::vector<std::uint8_t>(content.end() - 5, content.end()));
    EXPECT_THROW(f->seek_ex(-1, file::seek_from_eof, abort), exception_io_no_length);
}

// Faults strike exactly where planned: at a byte, at a read count, or as an early end.
TEST(faulty_file_impl, injects_faults_where_planned)
{
    const auto content = counting_bytes(100);
    abort_signal_impl abort;
    {
        auto f = make_service<faulty_file_impl>(make_service<memory_file_impl>(content), fault_plan{.fail_at = 40});
        EXPECT_EQ(read_some(*f, 40, abort).size(), 40u) << "bytes 0..39 do not touch the fault";
        EXPECT_THROW(read_some(*f, 1, abort), exception_io);
        f->seek(41, abort);
        EXPECT_EQ(read_some(*f, 100, abort).size(), 59u) << "bytes after the fault read again";
    }
    {
        auto f = make_service<faulty_file_impl>(make_service<memory_file_impl>(content),
                                                fault_plan{.fail_on_read = 3, .message = "disk gone"});
        read_some(*f, 1, abort);
        read_some(*f, 1, abort);
        try {
            read_some(*f, 1, abort);
            FAIL() << "third read did not fail";
        } catch (const exception_io& e) {
            EXPECT_STREQ(e.what(), "disk gone");
        }
        EXPECT_EQ(f->read_count(), 3u);
        EXPECT_EQ(read_some(*f, 1, abort).size(), 1u) << "only the planned read fails";
    }
    {
        auto f = make_service<faulty_file_impl>(make_service<memory_file_impl>(content), fault_plan{.end_at = 60});
        EXPECT_EQ(f->get_size(abort), 100u) << "the size still promises the whole file";
        f->seek(50, abort);
        EXPECT_EQ(read_some(*f, 20, abort), std::vector<std::uint8_t>(content.begin() + 50, content.begin() + 60));
        EXPECT_EQ(read_some(*f, 20, abort).size(), 0u);
    }
}
