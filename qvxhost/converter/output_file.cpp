#include "qvxhost/converter/output_file.h"
#include "qvxhost/player/utf8_paths.h"

#include "util/exceptions.h"

#include <system_error>

output_file::output_file(std::filesystem::path final_path) : final_(std::move(final_path))
{
    temporary_ = final_.parent_path() / path_from_utf8("." + utf8_from_path(final_.filename()) + ".partial");
    const auto folder = final_.parent_path();
    std::error_code error;
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) throw exception_io("Cannot create the folder " + utf8_from_path(folder) + ": " + error.message());
}

output_file::~output_file()
{
    if (committed_) return;
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
}

void output_file::commit(bool overwrite)
{
    std::error_code error;
    if (!overwrite && std::filesystem::exists(final_, error))
        throw exception_io(utf8_from_path(final_) + " exists already (use --overwrite to replace it)");
    std::filesystem::rename(temporary_, final_, error);
    if (error) throw exception_io("Cannot rename " + utf8_from_path(temporary_) + " to " + utf8_from_path(final_) + ": " + error.message());
    committed_ = true;
}
