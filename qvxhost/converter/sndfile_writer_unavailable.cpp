// Builds without libsndfile write raw float only.
#include "qvxhost/converter/pcm_writer.h"

#include "util/exceptions.h"

std::unique_ptr<pcm_writer> open_sndfile_writer(const std::string&, const std::string& shown, const pcm_encoding&,
                                                const pcm_layout&)
{
    throw exception_io("Cannot create " + shown + ": this build of qvxhost writes raw float (.f32) only; "
                       "WAV and FLAC need libsndfile, which it was built without");
}

void verify_sndfile_output(const std::string&, const std::string&, const pcm_layout&, std::uint64_t) {}
