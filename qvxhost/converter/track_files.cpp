#include "qvxhost/converter/track_files.h"

#include "qvxhost/player/utf8_paths.h"

#include <cstdio>

namespace {

// Windows refuses < > : " / \ | ? * and control characters in names; POSIX refuses "/".
bool refused_in_names(unsigned char c) { return c < 0x20 || c == 0x7F || std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos; }

// `text` cut to at most `bytes` bytes without splitting a UTF-8 character.
std::string cut_utf8(std::string text, std::size_t bytes)
{
    if (text.size() <= bytes) return text;
    std::size_t at = bytes;
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return text.substr(0, at);
}

std::string safe_title(const std::string& title)
{
    std::string safe;
    for (const char c : title) safe += refused_in_names(static_cast<unsigned char>(c)) ? '_' : c;
    // Names over 255 bytes are refused almost everywhere; leave room for the number and extension.
    safe = cut_utf8(safe, 200);
    // Windows drops trailing dots and spaces, which would merge two names.
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
    while (!safe.empty() && safe.front() == ' ') safe.erase(0, 1);
    return safe;
}

// Cue sheets quote their strings and have no escape: a quote becomes an apostrophe, a line break a space.
std::string cue_text(const std::string& text)
{
    std::string out;
    for (const char c : text) out += c == '"' ? '\'' : (c == '\n' || c == '\r') ? ' ' : c;
    return out;
}

} // namespace

std::filesystem::path track_file_name(const dsdiff_track& track, std::size_t total, const std::string& extension)
{
    char number[16];
    std::snprintf(number, sizeof number, total >= 100 ? "%03u" : "%02u", track.number);
    const std::string title = safe_title(track.title);
    return path_from_utf8(std::string(number) + (title.empty() ? "" : " - " + title) + extension);
}

std::string cue_sheet(const std::string& audio_file, const track_list& tracks, std::uint32_t sample_rate,
                      const std::string& performer, const std::string& title)
{
    std::string text;
    if (!performer.empty()) text += "PERFORMER \"" + cue_text(performer) + "\"\n";
    if (!title.empty()) text += "TITLE \"" + cue_text(title) + "\"\n";
    text += "FILE \"" + cue_text(audio_file) + "\" WAVE\n";
    std::vector<dsdiff_track> listed = tracks.tracks;
    if (listed.empty()) listed.push_back({1, 0, 0, {}});
    for (const auto& track : listed) {
        const std::uint64_t frames = sample_rate != 0 ? track.start * 75 / sample_rate : 0;
        char lines[96];
        std::snprintf(lines, sizeof lines, "  TRACK %02u AUDIO\n", track.number);
        text += lines;
        if (!track.title.empty()) text += "    TITLE \"" + cue_text(track.title) + "\"\n";
        std::snprintf(lines, sizeof lines, "    INDEX 01 %02llu:%02llu:%02llu\n", static_cast<unsigned long long>(frames / 75 / 60),
                      static_cast<unsigned long long>(frames / 75 % 60), static_cast<unsigned long long>(frames % 75));
        text += lines;
    }
    return text;
}
