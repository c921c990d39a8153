#include "qvxhost/converter/batch_plan.h"
#include "qvxhost/player/utf8_paths.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <system_error>

namespace {

const char* extension_for(output_format format)
{
    switch (format) {
    case output_format::f32: return ".f32";
    case output_format::wav: return ".wav";
    case output_format::flac: return ".flac";
    }
    return "";
}

bool is_dff(const std::filesystem::path& path)
{
    std::string extension = utf8_from_path(path.extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".dff";
}

std::uint64_t size_of(const std::filesystem::path& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

class planner {
public:
    planner(const std::filesystem::path& output_folder, output_format format) : out_(output_folder), format_(format) {}

    void add_file(const std::filesystem::path& input, const std::filesystem::path& relative)
    {
        std::filesystem::path output = (out_ / relative).replace_extension(extension_for(format_));
        const std::string key = output.lexically_normal().generic_string();
        if (const auto taken = outputs_.find(key); taken != outputs_.end()) {
            plan.faults.push_back(utf8_from_path(input) + ": its output " + utf8_from_path(output) + " is already the output of " +
                                  taken->second);
            return;
        }
        outputs_.emplace(key, utf8_from_path(input));
        plan.items.push_back({utf8_from_path(input), std::move(output), size_of(input)});
    }

    // Every ".dff" below `root`, folder by folder in sorted order.
    void add_folder(const std::filesystem::path& root, const std::filesystem::path& folder)
    {
        std::error_code error;
        std::filesystem::directory_iterator entries(folder, error);
        if (error) {
            plan.faults.push_back(utf8_from_path(folder) + ": Cannot read the folder: " + error.message());
            return;
        }
        std::vector<std::filesystem::path> files, folders;
        for (const auto end = std::filesystem::directory_iterator(); entries != end; entries.increment(error)) {
            if (error) break;
            const auto& path = entries->path();
            std::error_code type_error;
            if (entries->is_directory(type_error)) {
                folders.push_back(path);
            } else if (is_dff(path)) {
                files.push_back(path);
            }
        }
        if (error) plan.faults.push_back(utf8_from_path(folder) + ": Cannot read the folder: " + error.message());
        std::sort(files.begin(), files.end());
        std::sort(folders.begin(), folders.end());
        for (const auto& file : files) add_file(file, file.lexically_relative(root));
        for (const auto& sub : folders) add_folder(root, sub);
    }

    batch_plan plan;

private:
    std::filesystem::path out_;
    output_format format_;
    std::map<std::string, std::string> outputs_;  // output path -> the input it came from
};

} // namespace

bool is_batch(const std::vector<std::string>& inputs)
{
    std::error_code error;
    return inputs.size() > 1 || (inputs.size() == 1 && std::filesystem::is_directory(path_from_utf8(inputs[0]), error));
}

batch_plan plan_batch(const std::vector<std::string>& inputs, const std::filesystem::path& output_folder,
                      output_format format)
{
    planner p(output_folder, format);
    for (const auto& input : inputs) {
        const std::filesystem::path path = path_from_utf8(input);
        std::error_code error;
        const auto status = std::filesystem::status(path, error);
        if (std::filesystem::is_directory(status)) {
            p.add_folder(path, path);
        } else if (std::filesystem::exists(status)) {
            p.add_file(path, path.filename());
        } else {
            p.plan.faults.push_back(input + ": Cannot open " + input + ": " +
                                    (error ? error.message() : std::string("No such file or directory")));
        }
    }
    return std::move(p.plan);
}
