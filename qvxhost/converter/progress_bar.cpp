#include "qvxhost/converter/progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {
constexpr int bar_width = 40;
}

void progress_bar::update(double fraction)
{
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (percent == shown_percent_) return;
    shown_percent_ = percent;
    const int filled = percent * bar_width / 100;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(bar_width - filled), '.');
    std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), percent);
    std::fflush(stderr);
}

progress_bar::~progress_bar()
{
    if (shown_percent_ < 0) return;
    // Blank the line so that whatever is printed next starts clean.
    std::fprintf(stderr, "\r%*s\r", bar_width + 8, "");
    std::fflush(stderr);
}
