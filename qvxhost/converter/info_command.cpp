#include "qvxhost/converter/info_command.h"

#include "host/component_identity.h"
#include "host/string8.h"
#include "qvxhost/converter/pcm_decoding.h"
#include "qvxhost/converter/tag_reader.h"
#include "qvxhost/converter/track_tags.h"
#include "qvxhost/converter/time_text.h"
#include "qvxhost/player/track_info_impl.h"

std::string run_info(const loaded_component& component, const std::string& path, abort_signal& abort, bool tags,
                     const std::function<void(const std::string&)>& warn)
{
    const auto entry = component.input();
    const std::string full = accepted_path(*entry, path);
    service_ptr_t<input_info_reader> reader;
    entry->open_info_reader(reader, file_ptr(), full.c_str(), abort);
    track_info_impl info;
    reader->read_info(0, info, abort);

    std::string text;
    for (const auto& field : info.fields()) text += one_line(field.name) + "=" + one_line(field.value) + "\n";
    text += "length=" + exact_seconds(info.length()) + "\n";
    if (tags) {
        try {
            text += tag_lines(read_tags(path));
        } catch (const exception_io& error) {
            if (warn) warn(std::string("tags not read: ") + error.what());
        }
    }
    return text;
}

std::string version_text(const loaded_component& component)
{
    std::string text = "qvxhost " QVX_PROGRAM_VERSION "\n";
    if (const auto version = component.find_service<componentversion>()) {
        string8 name, number;
        version->get_component_name(name);
        version->get_component_version(number);
        text += std::string(name.get_ptr()) + " " + number.get_ptr() + "\n";
    }
    return text;
}
