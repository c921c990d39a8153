#include "qvxhost/converter/file_conversion.h"

#include "qvxhost/converter/output_file.h"
#include "qvxhost/player/utf8_paths.h"

#include <system_error>

conversion_result convert_item(const loaded_component& component, const batch_item& item, const conversion_settings& settings,
                               abort_signal& abort, const std::function<void(double, double)>& progress,
                               const std::function<void(const std::string&)>& warn)
{
    const std::string shown = utf8_from_path(item.output);
    std::error_code error;
    const auto existing = std::filesystem::symlink_status(item.output, error);
    output_file output(item.output);
    if (std::filesystem::exists(existing) && !output.is_device() && !settings.overwrite) {
        if (settings.skip_existing) return {"skipped: " + item.input + ": " + shown + " exists already", {}};
        throw exception_io(shown + " exists already (use --overwrite or --skip-existing)");
    }
    decode_request request = settings.decoding;
    request.input = item.input;
    request.output = output.path();
    request.shown_output = shown;
    request.output_is_device = output.is_device();
    request.progress = progress;
    request.warn = warn;
    conversion_result result;
    result.outcome = decode_file(component, request, abort);
    output.commit(settings.overwrite);
    return result;
}
