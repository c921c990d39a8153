// The batch's one progress display on standard error: files done of total,
// audio time done, speed as a multiple of real time and time left. On a
// terminal one line is redrawn; otherwise a plain line follows each file.
// Messages (errors, warnings) are printed through it so that they do not
// tear the line. [any thread: every operation locks]
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct batch_totals {
    std::size_t converted = 0;
    std::size_t failed = 0;
    std::size_t skipped = 0;
    std::size_t not_started = 0;
    double audio_seconds = 0;
    double wall_seconds = 0;
};

class batch_progress {
public:
    // `weights`: each file's size, by which the time left is estimated.
    batch_progress(std::vector<std::uint64_t> weights, bool terminal);
    ~batch_progress();
    batch_progress(const batch_progress&) = delete;
    batch_progress& operator=(const batch_progress&) = delete;

    // While file `index` decodes: the fraction of it done and its audio seconds so far.
    void update(std::size_t index, double fraction, double audio_seconds);
    void converted(std::size_t index, double audio_seconds);
    void failed(std::size_t index, const std::string& message);
    void skipped(std::size_t index, const std::string& message);
    // A line of its own, e.g. "warning: PATH: MESSAGE".
    void message(const std::string& line);
    // Redraws the terminal line when due (at most ten times a second).
    void tick();

    // Ends the display; the totals so far, with `not_started` files that never began.
    batch_totals finish(std::size_t not_started);

private:
    struct file_state {
        std::uint64_t weight = 0;
        double fraction = 0;
        double audio_seconds = 0;
        bool done = false;
    };

    void file_done(std::size_t index, double audio_seconds);
    std::string status_text() const;
    void draw();
    void clear_line();

    mutable std::mutex mutex_;
    std::vector<file_state> files_;
    std::uint64_t total_weight_ = 0;
    bool terminal_;
    std::size_t shown_width_ = 0;  // of the line now on the terminal
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point drawn_{};
    batch_totals totals_;
    bool finished_ = false;
};

// "8 converted, 1 failed, 0 skipped; 0.13 h of audio in 12.3 s, 39.0 x real time"
std::string summary_line(const batch_totals& totals);
