#include "qvxhost/converter/time_text.h"

#include <charconv>
#include <cmath>
#include <algorithm>
#include <cstdio>

std::string exact_seconds(double seconds)
{
    // Fixed notation always, never "1e-05": one format for every line.
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

std::string position_text(double seconds)
{
    // A position computed as frames / rate may land a hair below the millisecond it is.
    const auto milliseconds = static_cast<long long>(std::floor(std::max(0.0, seconds) * 1000.0 + 1e-6));
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", milliseconds / 60000, milliseconds / 1000 % 60, milliseconds % 1000);
    return text;
}
