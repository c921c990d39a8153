#include "qvxhost/converter/batch_progress.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string clock_text(double seconds)
{
    const auto total = static_cast<long long>(std::max(0.0, seconds) + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    return text;
}

} // namespace

batch_progress::batch_progress(std::vector<file> files, bool terminal)
{
    for (auto& about : files) {
        total_weight_ += about.weight;
        files_.push_back({std::move(about)});
    }
    if (terminal) line_.emplace();
}

batch_progress::~batch_progress()
{
    const std::lock_guard lock(mutex_);
    line_.reset();
}

void batch_progress::update(std::size_t index, double fraction, double audio_seconds)
{
    const std::lock_guard lock(mutex_);
    files_[index].fraction = std::clamp(fraction, 0.0, 1.0);
    files_[index].audio_seconds = audio_seconds;
}

void batch_progress::file_done(std::size_t index, double audio_seconds, const char* outcome)
{
    files_[index].done = true;
    files_[index].fraction = 1;
    files_[index].audio_seconds = audio_seconds;
    if (line_) {
        draw();
    } else {
        const std::string line = status_text() + ": " + outcome + " " + files_[index].about.name + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
}

void batch_progress::converted(std::size_t index, double audio_seconds, std::size_t concealed_spans)
{
    const std::lock_guard lock(mutex_);
    ++totals_.converted;
    totals_.audio_seconds += audio_seconds;
    totals_.concealed_spans += concealed_spans;
    file_done(index, audio_seconds, "converted");
}

void batch_progress::failed(std::size_t index, const std::string& message)
{
    const std::lock_guard lock(mutex_);
    ++totals_.failed;
    if (line_) line_->clear();
    std::fprintf(stderr, "error: %s\n", message.c_str());
    file_done(index, 0, "failed");
}

void batch_progress::skipped(std::size_t index, const std::string& message)
{
    const std::lock_guard lock(mutex_);
    ++totals_.skipped;
    if (line_) line_->clear();
    std::fprintf(stderr, "%s\n", message.c_str());
    file_done(index, 0, "skipped");
}

void batch_progress::message(const std::string& line)
{
    const std::lock_guard lock(mutex_);
    if (line_) line_->clear();
    std::fprintf(stderr, "%s\n", line.c_str());
    if (line_) draw();
}

void batch_progress::tick()
{
    const std::lock_guard lock(mutex_);
    if (!line_ || finished_) return;
    if (std::chrono::steady_clock::now() - drawn_ < std::chrono::milliseconds(100)) return;
    draw();
}

std::string batch_progress::status_text() const
{
    std::size_t done = 0;
    double audio = 0, weight_done = 0;
    for (const auto& state : files_) {
        done += state.done ? 1 : 0;
        audio += state.audio_seconds;
        weight_done += state.fraction * static_cast<double>(state.about.weight);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    char text[160];
    int length = std::snprintf(text, sizeof text, "%zu/%zu files, %s of audio", done, files_.size(), clock_text(audio).c_str());
    if (elapsed > 0.5 && audio > 0)
        length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ", %.1f x real time",
                                audio / elapsed);
    if (elapsed > 0.5 && weight_done > 0 && done < files_.size()) {
        const double left = elapsed * (static_cast<double>(total_weight_) - weight_done) / weight_done;
        std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ", %s left", clock_text(left).c_str());
    }
    return text;
}

void batch_progress::draw()
{
    line_->draw(status_text());
    drawn_ = std::chrono::steady_clock::now();
}

batch_totals batch_progress::finish(std::size_t not_started)
{
    const std::lock_guard lock(mutex_);
    finished_ = true;
    if (line_) line_->clear();
    totals_.not_started = not_started;
    totals_.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    return totals_;
}

std::string summary_line(const batch_totals& totals)
{
    std::string text = std::to_string(totals.converted) + " converted, " + std::to_string(totals.failed) + " failed, " +
                       std::to_string(totals.skipped) + " skipped";
    if (totals.not_started != 0) text += ", " + std::to_string(totals.not_started) + " not started";
    if (totals.concealed_spans != 0)
        text += ", " + std::to_string(totals.concealed_spans) + (totals.concealed_spans == 1 ? " span" : " spans") + " concealed";
    char rest[120];
    std::snprintf(rest, sizeof rest, "; %.2f h of audio in %.1f s, %.1f x real time", totals.audio_seconds / 3600,
                  totals.wall_seconds, totals.wall_seconds > 0 ? totals.audio_seconds / totals.wall_seconds : 0.0);
    return text + rest;
}
