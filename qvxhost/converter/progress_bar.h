// A one-line progress bar on standard error, as wide as the terminal allows; the line is
// cleared again when the bar goes.
#pragma once

#include "qvxhost/converter/terminal_line.h"

class progress_bar {
public:
    // `fraction` from 0 to 1; redraws only when the shown percentage or the terminal's width changes.
    void update(double fraction);

private:
    terminal_line line_;
    int shown_percent_ = -1;
    std::size_t shown_columns_ = 0;
};
