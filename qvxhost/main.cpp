// qvxhost: loads the DSDIFF component as the media player does and drives it
// from the command line. Output goes to stdout only when the command succeeds.
#include "qvxhost/converter/command_line.h"
#include "qvxhost/converter/decode_command.h"
#include "qvxhost/converter/info_command.h"
#include "qvxhost/converter/process_info.h"
#include "qvxhost/player/abort_signal_impl.h"
#include "qvxhost/player/component_loader.h"
#include "qvxhost/player/executable_path.h"
#include "qvxhost/player/console_receivers.h"
#include "qvxhost/player/host_services.h"
#include "qvxhost/player/service_impl.h"
#include "qvxhost/player/shared_library.h"
#include "qvxhost/player/utf8_paths.h"
#include "util/exceptions.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include "qvxhost/player/windows_text.h"
#endif

namespace {

// The first of the component's places (component_folders(), relative to the program's
// folder) that holds it: where the package installs it, else lib/ of a build tree.
std::string default_component_path()
{
    const std::filesystem::path folder = path_from_utf8(executable_path()).parent_path();
    const std::string file = std::string("qvx_input_dsdiff") + shared_library_suffix;
    std::string tried;
    for (const auto& place : component_folders()) {
        const std::filesystem::path path = (folder / path_from_utf8(std::string(place.path)) / file).lexically_normal();
        std::error_code error;
        if (std::filesystem::exists(path, error)) return utf8_from_path(path);
        tried += (tried.empty() ? "" : " or ") + utf8_from_path(path);
    }
    throw exception_io("Cannot find the component: no " + tried + " (--component PATH names one)");
}

// The program itself, on its arguments as UTF-8.
int run_program(const std::vector<std::string>& arguments)
{
    host_services host(make_service<console_stderr_impl>());
    // Declared outside the try block: an error object thrown by the component
    // must be destroyed before the component's library is unloaded.
    std::optional<loaded_component> component;
    std::string output;
    try {
        const command_line command = parse_command_line(arguments);
        if (command.what == command_line::command::help) {
            output = usage_text();
        } else {
            component.emplace(command.component.value_or(default_component_path()), host.registry());
            if (command.what == command_line::command::version) {
                output = version_text(*component);
            } else if (command.what == command_line::command::decode) {
                return is_batch_decode(command) ? run_batch_decode(command, *component) : run_single_decode(command, *component);
            } else {
                abort_signal_impl abort;
                const info_request request{command.input, command.tags, command.details, command.md5};
                output = run_info(*component, request, abort, [&](const std::string& text) {
                    std::fprintf(stderr, "warning: %s: %s\n", command.input.c_str(), text.c_str());
                });
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "error: %s\n", error.what());
        return 1;
    } catch (...) {
        std::fprintf(stderr, "error: unknown error\n");
        return 1;
    }
    std::fwrite(output.data(), 1, output.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

#if defined(_WIN32)
// Windows hands a narrow main its arguments in the ANSI code page, which cannot name every file:
// the wide command line can (the program is linked with -municode).
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(utf16_to_utf8(argv[i]));
    return run_program(arguments);
}
#else
int main(int argc, char** argv) { return run_program(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
