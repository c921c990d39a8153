#include "qvxhost/converter/progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <string>

void progress_bar::update(double fraction)
{
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    const std::size_t columns = terminal_line::usable_columns();
    if (percent == shown_percent_ && columns == shown_columns_) return;
    shown_percent_ = percent;
    shown_columns_ = columns;
    char number[8];
    std::snprintf(number, sizeof number, "%3d%%", percent);
    // "[####....] 42%": the bar takes what the terminal leaves, up to 40 characters.
    const std::size_t bar = std::min<std::size_t>(40, columns > 7 ? columns - 7 : 0);
    if (bar < 10) {
        line_.draw(number);
        return;
    }
    const std::size_t filled = static_cast<std::size_t>(percent) * bar / 100;
    line_.draw("[" + std::string(filled, '#') + std::string(bar - filled, '.') + "] " + number);
}
