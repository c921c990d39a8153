// MD5 against the test suite of RFC 1321, whole and in pieces.
#include "dsdiff_file/md5.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

std::string md5_of(std::string_view text, std::size_t piece)
{
    md5 digest;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        const std::string_view part = text.substr(at, piece);
        digest.update(std::span(reinterpret_cast<const std::uint8_t*>(part.data()), part.size()));
    }
    return md5::hex(digest.finish());
}

} // namespace

TEST(md5, rfc_1321_test_suite_whole_and_in_pieces)
{
    const std::pair<std::string_view, std::string_view> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890", "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, expected] : suite) {
        // Pieces that straddle the 64-byte blocks in every way.
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{63}, std::size_t{64}, std::size_t{65}, std::size_t{1000}})
            EXPECT_EQ(md5_of(text, piece), expected) << "\"" << text << "\" in pieces of " << piece;
    }
}

TEST(md5, finish_starts_a_new_message)
{
    md5 digest;
    const std::uint8_t junk[100] = {1, 2, 3};
    digest.update(junk);
    digest.finish();
    digest.update(std::span(reinterpret_cast<const std::uint8_t*>("abc"), 3));
    EXPECT_EQ(md5::hex(digest.finish()), "900150983cd24fb0d6963f7d28e17f72");
}
