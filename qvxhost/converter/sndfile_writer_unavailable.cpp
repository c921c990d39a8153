// Builds without libsndfile (the Windows build) write raw float only.
#include "qvxhost/converter/pcm_writer.h"

#include "util/exceptions.h"

std::unique_ptr<pcm_writer> open_sndfile_writer(const std::string& path, const pcm_encoding& encoding, std::uint32_t,
                                                std::uint32_t)
{
    if (encoding.format == output_format::f32) return open_raw_float_writer(path, encoding.gain_db);
    throw exception_io("Cannot create " + path + ": this build of qvxhost writes raw float (.f32) only; "
                       "WAV and FLAC need libsndfile, which the Windows build does not include");
}
