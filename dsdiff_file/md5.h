// MD5 (RFC 1321), streaming. Written here rather than taken from a library: it is a
// page of code, and of Debian's hash libraries only libgcrypt exists for the mingw-w64
// build too, which would bring two libraries (with libgpg-error) into both builds for
// one hash.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

class md5 {
public:
    using digest = std::array<std::uint8_t, 16>;

    md5();
    // Adds bytes to the message, in any pieces.
    void update(std::span<const std::uint8_t> bytes);
    // The digest of everything added; the object starts over afterwards.
    digest finish();

    // 32 lower-case hexadecimal digits.
    static std::string hex(const digest& value);

private:
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 4> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::uint64_t length_ = 0; // bytes added so far
};
