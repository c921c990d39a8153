// One line of standard error redrawn in place on a terminal: never wider than the terminal
// is now (so that no redraw wraps and scrolls), and blanked when it goes.
#pragma once

#include <cstddef>
#include <string>

// `text` cut to at most `columns` characters (UTF-8 sequences count as one), the cut marked
// with "..." where there is room for it.
std::string fit_to_columns(const std::string& text, std::size_t columns);

class terminal_line {
public:
    terminal_line() = default;
    ~terminal_line();
    terminal_line(const terminal_line&) = delete;
    terminal_line& operator=(const terminal_line&) = delete;

    // Replaces what the line shows; `text` is shortened to fit the terminal's current width.
    void draw(const std::string& text);
    // Blanks the line, leaving the cursor at its start; drawing again is allowed.
    void clear();
    // The columns the line may fill, of those the terminal has now: less the last one, where
    // a character makes some terminals wrap at once, and less two for the "^C" a terminal
    // echoes after the line on Ctrl+C, which would otherwise wrap and leave the line standing.
    static std::size_t usable_columns();

private:
    std::size_t shown_ = 0;  // characters of the line now on the terminal
};
