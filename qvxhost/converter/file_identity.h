// Which file a path leads to, whatever its name: the same file under another name, through
// a symlink or a hard link, has the same identity. The OS calls live in
// file_identity_posix.cpp (device and inode) and file_identity_win32.cpp (volume serial
// number and file index).
#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>

struct file_identity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend auto operator<=>(const file_identity&, const file_identity&) = default;
};

// Follows symlinks; nullopt when nothing is there (or it cannot be asked).
std::optional<file_identity> identify_file(const std::filesystem::path& path);

// True for a device or pipe that output can stream into but that is no file to replace:
// /dev/null, a FIFO, a terminal; NUL and CON on Windows.
bool is_stream_device(const std::filesystem::path& path);
