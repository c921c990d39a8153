// The batch's one progress display on standard error: files done of total,
// audio time done, speed as a multiple of real time and time left. On a
// terminal one line is redrawn in place; otherwise a plain line follows each
// file and names it. Messages (errors, warnings) are printed through it so that
// they do not tear the line. [any thread: every operation locks]
#pragma once

#include "qvxhost/converter/terminal_line.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct batch_totals {
    std::size_t converted = 0;
    std::size_t failed = 0;
    std::size_t skipped = 0;
    std::size_t not_started = 0;
    std::size_t concealed_spans = 0;
    double audio_seconds = 0;
    double wall_seconds = 0;
};

class batch_progress {
public:
    struct file {
        std::string name;      // as the plain line shows it
        std::uint64_t weight;  // its size, by which the time left is estimated
    };

    batch_progress(std::vector<file> files, bool terminal);
    ~batch_progress();
    batch_progress(const batch_progress&) = delete;
    batch_progress& operator=(const batch_progress&) = delete;

    // While file `index` decodes: the fraction of it done and its audio seconds so far.
    void update(std::size_t index, double fraction, double audio_seconds);
    void converted(std::size_t index, double audio_seconds, std::size_t concealed_spans);
    // `message` is printed as "error: MESSAGE".
    void failed(std::size_t index, const std::string& message);
    // `message` is printed as it is.
    void skipped(std::size_t index, const std::string& message);
    // A line of its own, e.g. "warning: PATH: MESSAGE".
    void message(const std::string& line);
    // Redraws the terminal line when due (at most ten times a second).
    void tick();

    // Ends the display; the totals so far, with `not_started` files that never began.
    batch_totals finish(std::size_t not_started);

private:
    struct file_state {
        file about;
        double fraction = 0;
        double audio_seconds = 0;
        bool done = false;
    };

    void file_done(std::size_t index, double audio_seconds, const char* outcome);
    std::string status_text() const;
    void draw();

    mutable std::mutex mutex_;
    std::vector<file_state> files_;
    std::uint64_t total_weight_ = 0;
    std::optional<terminal_line> line_;  // on a terminal only
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point drawn_{};
    batch_totals totals_;
    bool finished_ = false;
};

// "8 converted, 1 failed, 0 skipped; 0.13 h of audio in 12.3 s, 39.0 x real time"
std::string summary_line(const batch_totals& totals);
