#include "preferences/dropdown_history.h"

#include <algorithm>

std::vector<std::string> split_history(std::string_view text)
{
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (end > start) entries.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

std::string join_history(const std::vector<std::string>& entries)
{
    std::string text;
    for (const std::string& entry : entries) {
        text += entry;
        text += '\n';
    }
    return text;
}

bool _cfg_dropdown_history_base::add_item(std::string_view item_text)
{
    if (item_text.empty()) return false;
    std::string item(item_text);
    std::replace(item.begin(), item.end(), '\n', '|');

    std::string stored;
    load_text(stored);
    std::vector<std::string> entries = split_history(stored);

    bool found = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] == item) {
            std::rotate(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(i), entries.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            found = true;
        }
    }
    if (!found) {
        if (entries.size() > history_limit) entries.resize(history_limit);
        entries.insert(entries.begin(), std::move(item));
    }
    store_text(join_history(entries));
    return found;
}
