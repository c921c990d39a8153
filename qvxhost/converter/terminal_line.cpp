#include "qvxhost/converter/terminal_line.h"

#include "qvxhost/converter/process_info.h"

#include <algorithm>
#include <cstdio>

namespace {

bool continues_a_character(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t characters(const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) { return !continues_a_character(c); }));
}

} // namespace

std::string fit_to_columns(const std::string& text, std::size_t columns)
{
    if (characters(text) <= columns) return text;
    const std::string mark = columns >= 8 ? "..." : "";
    const std::size_t keep = columns - mark.size();
    std::size_t at = 0, kept = 0;
    while (at < text.size() && kept < keep) {
        ++at;
        while (at < text.size() && continues_a_character(text[at])) ++at;
        ++kept;
    }
    return text.substr(0, at) + mark;
}

std::size_t terminal_line::usable_columns() { return std::max<std::size_t>(stderr_terminal_width(), 4) - 3; }

void terminal_line::draw(const std::string& text)
{
    const std::size_t columns = usable_columns();
    const std::string shown = fit_to_columns(text, columns);
    const std::size_t width = characters(shown);
    // Spaces over what a longer line before left standing, within today's width.
    const std::size_t blank = std::min(shown_, columns) > width ? std::min(shown_, columns) - width : 0;
    std::fprintf(stderr, "\r%s%*s", shown.c_str(), static_cast<int>(blank), "");
    std::fflush(stderr);
    shown_ = width;
}

void terminal_line::clear()
{
    if (shown_ == 0) return;
    // As far as the "^C" that the terminal may have echoed after the line.
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(usable_columns() + 2), "");
    std::fflush(stderr);
    shown_ = 0;
}

terminal_line::~terminal_line() { clear(); }
