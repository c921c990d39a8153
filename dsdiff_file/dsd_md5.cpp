#include "dsdiff_file/dsd_md5.h"

#include "dsdiff_file/dsd_source.h"
#include "dsdiff_file/dsdiff_file.h"

#include <vector>

md5::digest dsd_md5(const dsdiff_file& file, abort_signal& abort)
{
    const std::unique_ptr<dsd_source> source = make_dsd_source(file, file.whole());
    std::vector<std::uint8_t> block(std::size_t{16384} * file.channel_count());
    md5 digest;
    while (const std::size_t got = source->read(block, abort)) digest.update(std::span(block).first(got));
    return digest.finish();
}
