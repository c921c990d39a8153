#include "qvxhost/converter/output_file.h"

#include "qvxhost/converter/file_identity.h"
#include "qvxhost/player/utf8_paths.h"
#include "util/exceptions.h"

#include <system_error>

std::filesystem::path output_file::temporary_for(const std::filesystem::path& final_path)
{
    return final_path.parent_path() / path_from_utf8("." + utf8_from_path(final_path.filename()) + ".partial");
}

output_file::output_file(std::filesystem::path final_path)
    : final_(std::move(final_path)), temporary_(temporary_for(final_)), device_(is_stream_device(final_))
{
    if (device_) return;
    const auto folder = final_.parent_path();
    std::error_code error;
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) throw exception_io("Cannot create the folder " + utf8_from_path(folder) + ": " + error.message());
}

output_file::~output_file()
{
    if (committed_ || device_) return;
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
}

std::string output_file::path() const { return utf8_from_path(device_ ? final_ : temporary_); }

void output_file::commit(bool overwrite)
{
    if (device_) return;
    std::error_code error;
    if (!overwrite && std::filesystem::exists(std::filesystem::symlink_status(final_, error)))
        throw exception_io(utf8_from_path(final_) + " exists already (use --overwrite to replace it)");
    std::filesystem::rename(temporary_, final_, error);
    if (error)
        throw exception_io("Cannot rename " + utf8_from_path(temporary_) + " to " + utf8_from_path(final_) + ": " +
                           error.message());
    committed_ = true;
}
