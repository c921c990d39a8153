#include "preferences/win32/model/dialog_template.h"

#include <cctype>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace win32_model {

namespace {

const std::map<std::string_view, DWORD> style_names = {
    {"WS_CHILD", WS_CHILD},         {"WS_VISIBLE", WS_VISIBLE},     {"WS_VSCROLL", WS_VSCROLL},
    {"WS_SYSMENU", WS_SYSMENU},     {"WS_GROUP", WS_GROUP},         {"WS_TABSTOP", WS_TABSTOP},
    {"DS_SETFONT", DS_SETFONT},     {"DS_FIXEDSYS", DS_FIXEDSYS},   {"SS_LEFT", SS_LEFT},
    {"CBS_DROPDOWN", CBS_DROPDOWN},
};

std::string_view trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

class line_reader {
public:
    line_reader(std::string_view line, int number) : line_(line), number_(number) {}

    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::invalid_argument("resource script line " + std::to_string(number_) + ": " + what + ": " +
                                    std::string(line_));
    }

    // Splits at commas outside quotes.
    std::vector<std::string_view> fields(std::string_view text) const
    {
        std::vector<std::string_view> out;
        bool quoted = false;
        std::size_t start = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '"') quoted = !quoted;
            if (text[i] == ',' && !quoted) {
                out.push_back(trim(text.substr(start, i - start)));
                start = i + 1;
            }
        }
        if (quoted) fail("unterminated string");
        out.push_back(trim(text.substr(start)));
        return out;
    }

    long number(std::string_view text) const
    {
        const std::string s(trim(text));
        std::size_t used = 0;
        long value = 0;
        try {
            value = std::stol(s, &used, 0);
        } catch (const std::exception&) {
            fail("not a number");
        }
        if (used != s.size()) fail("not a number");
        return value;
    }

    std::string quoted(std::string_view text) const
    {
        text = trim(text);
        if (text.size() < 2 || text.front() != '"' || text.back() != '"') fail("expected a quoted text");
        return std::string(text.substr(1, text.size() - 2));
    }

    DWORD style(std::string_view text) const
    {
        DWORD value = 0;
        std::size_t start = 0;
        for (;;) {
            const std::size_t bar = text.find('|', start);
            const std::string_view term = trim(text.substr(start, bar == std::string_view::npos ? bar : bar - start));
            const auto named = style_names.find(term);
            value |= named != style_names.end() ? named->second : static_cast<DWORD>(number(term));
            if (bar == std::string_view::npos) return value;
            start = bar + 1;
        }
    }

    RECT rectangle(const std::vector<std::string_view>& f, std::size_t first) const
    {
        if (f.size() < first + 4) fail("expected x, y, width, height");
        const auto v = [&](std::size_t k) { return static_cast<LONG>(number(f[first + k])); };
        return RECT{v(0), v(1), v(0) + v(2), v(1) + v(3)};
    }

private:
    std::string_view line_;
    int number_;
};

} // namespace

std::map<int, dialog_template> read_dialog_templates(const std::string& script)
{
    std::map<int, dialog_template> dialogs;
    dialog_template* current = nullptr;
    bool in_block = false;
    std::istringstream lines(script);
    std::string raw;
    for (int number = 1; std::getline(lines, raw); ++number) {
        const std::string_view line = trim(raw);
        if (line.empty() || line.starts_with("#") || line.starts_with("//")) continue;
        const line_reader reader(line, number);
        std::istringstream words{std::string(line)};
        std::string first;
        std::string second;
        words >> first >> second;

        if (first == "LANGUAGE") continue;
        if (second == "DIALOGEX") {
            const auto f = reader.fields(line.substr(line.find("DIALOGEX") + 8));
            dialog_template& added = dialogs[static_cast<int>(reader.number(first))];
            added.units = reader.rectangle(f, 0);
            current = &added;
            in_block = false;
        } else if (current == nullptr) {
            reader.fail("statement outside a dialog");
        } else if (first == "STYLE") {
            current->style = reader.style(line.substr(5));
        } else if (first == "FONT") {
            const auto f = reader.fields(line.substr(4));
            if (f.size() != 5) reader.fail("expected points, face, weight, italic, character set");
            current->font_points = static_cast<int>(reader.number(f[0]));
            current->font_face = reader.quoted(f[1]);
            current->font_weight = static_cast<int>(reader.number(f[2]));
            current->font_italic = reader.number(f[3]) != 0;
            current->font_charset = static_cast<int>(reader.number(f[4]));
        } else if (first == "BEGIN") {
            in_block = true;
        } else if (first == "END") {
            in_block = false;
            current = nullptr;
        } else if (first == "CONTROL" && in_block) {
            const auto f = reader.fields(line.substr(7));
            if (f.size() != 8) reader.fail("expected text, id, class, style, x, y, width, height");
            dialog_item_template item;
            item.text = reader.quoted(f[0]);
            item.id = static_cast<int>(reader.number(f[1]));
            item.window_class = reader.quoted(f[2]);
            // As resource compilers do, CONTROL items are visible children.
            item.style = reader.style(f[3]) | WS_CHILD | WS_VISIBLE;
            item.units = reader.rectangle(f, 4);
            current->items.push_back(item);
        } else {
            reader.fail("statement not understood");
        }
    }
    return dialogs;
}

} // namespace win32_model
