#include "qvxhost/converter/batch_plan.h"

#include "qvxhost/converter/file_identity.h"
#include "qvxhost/converter/output_file.h"
#include "qvxhost/player/utf8_paths.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <system_error>

namespace {

bool is_dff(const std::filesystem::path& path)
{
    std::string extension = utf8_from_path(path.extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".dff";
}

// macOS writes "._NAME" beside a file on foreign file systems: its resource fork, no audio.
bool is_apple_double(const std::filesystem::path& path) { return utf8_from_path(path.filename()).starts_with("._"); }

std::uint64_t size_of(const std::filesystem::path& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

class planner {
public:
    explicit planner(std::filesystem::path output_folder, output_format format)
        : out_(std::move(output_folder)), extension_(output_extension(format))
    {
    }

    void add_input(const std::string& input)
    {
        const std::filesystem::path path = path_from_utf8(input);
        std::error_code error;
        const auto status = std::filesystem::status(path, error);
        if (std::filesystem::is_directory(status)) {
            const std::size_t before = plan.items.size();
            if (!walk(path, path)) {
                plan.notes.push_back("skipped: " + input + ": walked already");
            } else if (plan.items.size() == before) {
                plan.notes.push_back("warning: " + input + ": no .dff files");
            }
        } else if (std::filesystem::is_regular_file(status)) {
            add_file(path, (out_ / path.filename()).replace_extension(extension_));
        } else if (std::filesystem::exists(status)) {
            plan.notes.push_back("skipped: " + input + ": not a regular file");
        } else {
            plan.items.push_back({input, {}, 0, input + ": Cannot open " + input + ": " +
                                                    (error ? error.message() : std::string("No such file or directory"))});
        }
    }

    // One file to a named output.
    void add_file(const std::filesystem::path& input, std::filesystem::path output)
    {
        batch_item item{utf8_from_path(input), std::move(output), size_of(input), {}};
        const std::string key = item.output.lexically_normal().generic_string();
        if (const auto taken = outputs_.find(key); taken != outputs_.end()) {
            item.fault = item.input + ": its output " + utf8_from_path(item.output) + " is already the output of " + taken->second;
        } else {
            outputs_.emplace(key, item.input);
        }
        if (const auto identity = identify_file(input)) plan.inputs.emplace(*identity, item.input);
        plan.items.push_back(std::move(item));
    }

    // Every output, and the temporary name it is written under, against every input.
    void check_outputs_against_inputs()
    {
        for (auto& item : plan.items)
            if (item.fault.empty()) item.fault = overwrites_an_input(item.output, plan.inputs);
    }

    batch_plan plan;

private:
    // Every ".dff" below `root`, folder by folder in sorted order; false when `folder` was walked already.
    bool walk(const std::filesystem::path& root, const std::filesystem::path& folder)
    {
        if (const auto identity = identify_file(folder); identity && !walked_.insert(*identity).second) return false;
        std::error_code error;
        std::filesystem::directory_iterator entries(folder, error);
        if (error) {
            fault(folder, "Cannot read the folder: " + error.message());
            return true;
        }
        std::vector<std::filesystem::path> files, folders;
        for (const auto end = std::filesystem::directory_iterator(); entries != end; entries.increment(error)) {
            if (error) break;
            const auto& path = entries->path();
            if (is_apple_double(path)) continue;
            std::error_code type_error;
            const bool link = entries->is_symlink(type_error);
            if (entries->is_directory(type_error)) {
                // Not followed: a link to a folder above it would never end, and one elsewhere
                // is outside what was asked for.
                if (link) {
                    plan.notes.push_back("skipped: " + utf8_from_path(path) + ": a symlinked folder is not followed");
                } else {
                    folders.push_back(path);
                }
            } else if (is_dff(path)) {
                if (entries->is_regular_file(type_error)) {
                    files.push_back(path);
                } else {
                    plan.notes.push_back("skipped: " + utf8_from_path(path) + ": not a regular file");
                }
            }
        }
        if (error) fault(folder, "Cannot read the folder: " + error.message());
        std::sort(files.begin(), files.end());
        std::sort(folders.begin(), folders.end());
        for (const auto& file : files) add_file(file, (out_ / file.lexically_relative(root)).replace_extension(extension_));
        for (const auto& sub : folders) walk(root, sub);
        return true;
    }

    void fault(const std::filesystem::path& folder, const std::string& message)
    {
        const std::string name = utf8_from_path(folder);
        plan.items.push_back({name, {}, 0, name + ": " + message});
    }

    std::filesystem::path out_;
    std::string extension_;
    std::map<std::string, std::string> outputs_;       // output path -> the input it comes from
    std::set<file_identity> walked_;
};

} // namespace

std::string overwrites_an_input(const std::filesystem::path& output, const input_identities& inputs)
{
    for (const auto& written : {output, output_file::temporary_for(output)}) {
        const auto identity = identify_file(written);
        if (!identity) continue;
        if (const auto input = inputs.find(*identity); input != inputs.end())
            return utf8_from_path(written) + ": would overwrite the input " + input->second;
    }
    return {};
}

bool is_batch(const std::vector<std::string>& inputs)
{
    std::error_code error;
    return inputs.size() > 1 || (inputs.size() == 1 && std::filesystem::is_directory(path_from_utf8(inputs[0]), error));
}

batch_plan plan_batch(const std::vector<std::string>& inputs, const std::filesystem::path& output_folder, output_format format)
{
    planner p(output_folder, format);
    for (const auto& input : inputs) p.add_input(input);
    p.check_outputs_against_inputs();
    return std::move(p.plan);
}

batch_plan plan_single(const std::string& input, const std::filesystem::path& output)
{
    planner p({}, output_format::f32);
    const std::filesystem::path path = path_from_utf8(input);
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        p.plan.items.push_back({input, output, 0, "Cannot open " + input + ": not a regular file"});
    } else {
        p.add_file(path, output);
        p.check_outputs_against_inputs();
    }
    return std::move(p.plan);
}
