// Builds without TagLib (the Windows build, which writes raw float only) carry no tags.
#include "qvxhost/converter/tag_reader.h"
#include "qvxhost/converter/tag_writer.h"

#include "util/exceptions.h"

track_tags read_tags(const std::string&)
{
    throw exception_io("this build of qvxhost reads no tags (TagLib is not part of the Windows build)");
}

bool write_tags(const std::string&, const std::string& shown, output_format, const track_tags&)
{
    throw exception_io("Cannot write the tags of " + shown + ": this build of qvxhost has no TagLib");
}
