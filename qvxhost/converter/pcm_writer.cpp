#include "qvxhost/converter/pcm_writer.h"

#include "util/exceptions.h"

#include <algorithm>
#include <cstdio>

std::unique_ptr<pcm_writer> open_pcm_writer(const std::string& path, const std::string& shown, const pcm_encoding& encoding,
                                            const pcm_layout& layout)
{
    const output_format_info& info = format_info(encoding.format);
    if (std::find(info.depths.begin(), info.depths.end(), encoding.bits) == info.depths.end())
        throw exception_io("Cannot create " + shown + ": " + std::string(info.title) + " output has no depth of " +
                           std::to_string(encoding.bits) + " bits");
    return info.open(path, shown, encoding, layout);
}

std::unique_ptr<pcm_writer> open_pcm_writer(const std::string& path, output_format format, const pcm_layout& layout)
{
    return open_pcm_writer(path, path, pcm_encoding{format, format_info(format).default_bits, 0.0}, layout);
}

std::string flac_channel_mask_tag(const pcm_layout& layout)
{
    // FLAC's order without a tag, for 1 to 8 channels: mono, stereo, 3.0, quad, 5.0, 5.1, 6.1, 7.1.
    static constexpr std::uint32_t default_masks[] = {0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};
    if (layout.channels >= 1 && layout.channels <= 8 && layout.channel_mask == default_masks[layout.channels - 1]) return {};
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(layout.channel_mask));
    return text;
}
