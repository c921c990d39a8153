// The info command: what the component reports for a file, and what the file itself holds.
#pragma once

#include "qvxhost/player/component_loader.h"

#include <functional>
#include <string>

struct info_request {
    std::string path;
    bool tags = false;     // "tag.NAME=value" lines
    bool details = false;  // "dsdiff.*" lines: compression, channels, frames, tracks
    bool md5 = false;      // "dsd.md5=HEX"
};

// "name=value" lines in the order the component set them, then "length="; then, as asked,
// the "dsdiff.*" details, "dsd.md5=" and "tag.NAME=value" lines. What the file holds beside
// the component's fields is read outside the component. Tags that cannot be read, and
// markers that are left out, are warnings; everything else that fails throws.
std::string run_info(const loaded_component& component, const info_request& request, abort_signal& abort,
                     const std::function<void(const std::string&)>& warn);

// "qvxhost VERSION" and the loaded component's name and version, one line each.
std::string version_text(const loaded_component& component);
