#include "qvxhost/converter/source_file.h"

#include "qvxhost/player/local_filesystem.h"

std::unique_ptr<dsdiff_file> open_source_file(const std::string& path, abort_signal& abort)
{
    return std::make_unique<dsdiff_file>(open_local_file(path, abort), abort, console_line_sink());
}
