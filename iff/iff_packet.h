// The chunk tree of an IFF-style file (DSDIFF): small payloads loaded into
// memory, large ones and the sound data left in the file behind range readers.
#pragma once

#include "host/file.h"
#include "iff/chunk_id.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace iff_stream {

enum packet_type : std::uint32_t { type_data = 0, type_file = 1, type_container = 2 };

// Payloads up to this size (inclusive) are read into memory.
inline constexpr std::uint64_t inline_limit = 131072;
// Containers nest no deeper than this; real files use three levels.
inline constexpr int max_nesting_depth = 32;
// More chunks than this in one file are refused: 1048576 DST frames are
// close to four hours, and the tree stays under about 100 MB.
inline constexpr std::size_t max_chunk_count = std::size_t{1} << 20;
// Payloads loaded into memory may add up to this much in one file; real files
// hold a few kilobytes of properties and comments.
inline constexpr std::uint64_t max_loaded_bytes = std::uint64_t{16} << 20;

// Users tell nodes apart by `type`, then treat the node as the matching struct.
struct iff_packet_base {
    virtual ~iff_packet_base() = default;

    std::uint32_t type;
    chunk_id id = id_none;

protected:
    explicit iff_packet_base(packet_type t) : type(t) {}
};

struct iff_packet_data final : iff_packet_base {
    iff_packet_data() : iff_packet_base(type_data) {}
    std::vector<std::uint8_t> data; // exactly the payload
};

struct iff_packet_file final : iff_packet_base {
    iff_packet_file() : iff_packet_base(type_file) {}
    service_ptr_t<file> reader; // a reader_limited_v2 over the payload
};

struct iff_packet_container final : iff_packet_base {
    iff_packet_container() : iff_packet_base(type_container) {}

    // Reads a whole file into this container, which becomes the root; reading
    // starts at the file's current position. Throws on the first fault; the
    // nodes attached before it stay attached.
    void load(const service_ptr_t<file>& source, abort_signal& abort);

    // Reads the chunks of `stream` from its position to its end into `target`.
    void parse(iff_packet_container& target, const service_ptr_t<file>& stream, abort_signal& abort);

    // First child at index >= `start` whose id equals `wanted`. On success
    // stores it and its index; otherwise leaves both outputs untouched.
    bool find_child(std::size_t start, const chunk_id& wanted, iff_packet_base*& out_node, std::size_t& out_index) const;

    std::vector<std::unique_ptr<iff_packet_base>> children;

private:
    void parse_level(iff_packet_container& target, const service_ptr_t<file>& stream, abort_signal& abort, int depth);
    std::size_t chunks_read = 0;
    std::uint64_t bytes_loaded = 0;
};

} // namespace iff_stream
