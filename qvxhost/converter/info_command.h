// The info command: what the component reports for a file, and its tags.
#pragma once

#include "qvxhost/player/component_loader.h"

#include <functional>
#include <string>

// "name=value" lines in the order the component set them, then "length="; with `tags`, then
// "tag.NAME=value" lines (a file whose tags cannot be read gets a warning instead).
std::string run_info(const loaded_component& component, const std::string& path, abort_signal& abort, bool tags,
                     const std::function<void(const std::string&)>& warn);

// "qvxhost VERSION" and the loaded component's name and version, one line each.
std::string version_text(const loaded_component& component);
