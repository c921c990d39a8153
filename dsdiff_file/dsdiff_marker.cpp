#include "dsdiff_file/dsdiff_marker.h"

#include "dsdiff_file/byte_order.h"
#include "dsdiff_file/chunk_text.h"

#include <limits>

namespace {

constexpr std::size_t fixed_fields_bytes = 22; // everything before the text

// The largest time code, rate, sample count and offset the fields can hold give
// (65535 × 3600 + 255 × 60 + 255) × (2^32 − 1) + (2^32 − 1) + (2^31 − 1): the
// position is computed in 64-bit signed arithmetic and cannot overflow it.
constexpr std::int64_t largest_time_code_seconds = 65535LL * 3600 + 255 * 60 + 255;
constexpr std::int64_t largest_rate = std::numeric_limits<std::uint32_t>::max();
static_assert(largest_time_code_seconds <= (std::numeric_limits<std::int64_t>::max() - 2 * largest_rate) / largest_rate);

const char* type_name(std::uint16_t type)
{
    switch (static_cast<marker_type>(type)) {
    case marker_type::track_start: return "TrackStart";
    case marker_type::track_stop: return "TrackStop";
    case marker_type::program_start: return "ProgramStart";
    case marker_type::obsolete: return "obsolete type 3";
    case marker_type::index: return "Index";
    }
    return nullptr;
}

} // namespace

std::optional<dsdiff_marker> parse_marker(std::span<const std::uint8_t> payload, std::uint32_t sample_rate,
                                          std::size_t number, std::vector<std::string>& notes)
{
    const std::string name = "MARK chunk " + std::to_string(number);
    if (payload.size() < fixed_fields_bytes) {
        notes.push_back(name + " has " + std::to_string(payload.size()) + " bytes, too few for a marker; ignored");
        return std::nullopt;
    }
    const std::uint8_t* p = payload.data();
    dsdiff_marker m;
    m.number = number;
    m.hours = read_be16(p);
    m.minutes = p[2];
    m.seconds = p[3];
    m.samples = read_be32(p + 4);
    m.offset = static_cast<std::int32_t>(read_be32(p + 8));
    m.type = read_be16(p + 12);
    m.channel = read_be16(p + 14);
    m.track_flags = read_be16(p + 16);
    const std::uint32_t count = read_be32(p + 18);
    if (count > payload.size() - fixed_fields_bytes) {
        notes.push_back(name + " announces " + std::to_string(count) + " bytes of text but holds " +
                        std::to_string(payload.size() - fixed_fields_bytes) + "; ignored");
        return std::nullopt;
    }
    m.text = chunk_text(payload.subspan(fixed_fields_bytes, count));
    const std::int64_t time_code = (std::int64_t{m.hours} * 60 + m.minutes) * 60 + m.seconds;
    m.position = time_code * sample_rate + m.samples + m.offset;
    return m;
}

std::string describe_marker(const dsdiff_marker& marker)
{
    const char* name = type_name(marker.type);
    std::string text = "MARK chunk " + std::to_string(marker.number) + " (";
    text += name ? name : "type " + std::to_string(marker.type);
    if (!marker.text.empty()) text += " \"" + marker.text + "\"";
    return text + " at sample " + std::to_string(marker.position) + ")";
}
