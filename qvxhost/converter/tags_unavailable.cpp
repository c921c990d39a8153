// Builds without TagLib carry no tags.
#include "qvxhost/converter/tag_reader.h"
#include "qvxhost/converter/tag_writer.h"

#include "util/exceptions.h"

track_tags read_id3_tags(const dsdiff_file&, abort_signal&)
{
    throw exception_io("this build of qvxhost reads no tags (it was built without TagLib)");
}

bool write_tags(const std::string&, const std::string& shown, output_format, const track_tags&)
{
    throw exception_io("Cannot write the tags of " + shown + ": this build of qvxhost has no TagLib");
}

std::vector<std::uint8_t> render_id3v2(const track_tags&)
{
    throw exception_io("this build of qvxhost writes no tags (it was built without TagLib)");
}
