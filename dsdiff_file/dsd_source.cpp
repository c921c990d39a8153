#include "dsdiff_file/dsd_source.h"

#include "dsdiff_file/dsdiff_file.h"
#include "dsdiff_file/dst_dsd_source.h"
#include "dsdiff_file/plain_dsd_source.h"
#include "util/exceptions.h"

std::unique_ptr<dsd_source> make_dsd_source(const dsdiff_file& file, const dsd_byte_range& range)
{
    if (range.first > range.end || range.end > file.bytes_per_channel())
        throw exception_bug_check("DSD range " + std::to_string(range.first) + ".." + std::to_string(range.end) +
                                  " lies outside the audio of " + std::to_string(file.bytes_per_channel()) + " bytes per channel");
    if (file.is_dst()) return std::make_unique<dst_dsd_source>(file, range);
    return std::make_unique<plain_dsd_source>(file.sound_data(), file.channel_count(), range);
}
