// A one-line progress bar on standard error; the line is cleared again when the bar goes.
#pragma once

class progress_bar {
public:
    progress_bar() = default;
    ~progress_bar();
    progress_bar(const progress_bar&) = delete;
    progress_bar& operator=(const progress_bar&) = delete;

    // `fraction` from 0 to 1; redraws only when the shown percentage changes.
    void update(double fraction);

private:
    int shown_percent_ = -1;
};
