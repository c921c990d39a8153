// A combo box's history of entered values, kept as configuration text:
// entries each followed by a line feed, most recent first.
#pragma once

#include "preferences/cfg_var.h"

#include <string>
#include <string_view>
#include <vector>

// Splits history text into entries; runs of line feeds count as one separator.
std::vector<std::string> split_history(std::string_view text);
std::string join_history(const std::vector<std::string>& entries);

class _cfg_dropdown_history_base {
public:
    virtual void store_text(const std::string& text) = 0;
    virtual void load_text(std::string& out) const = 0;

    // Moves `item` to the front (true) or adds it there (false), dropping the
    // oldest entries beyond the limit; an empty item is not stored.
    bool add_item(std::string_view item);

protected:
    explicit _cfg_dropdown_history_base(std::uint32_t limit) noexcept : history_limit(limit) {}
    ~_cfg_dropdown_history_base() = default;

    std::uint32_t history_limit;
};

class cfg_dropdown_history final : public _cfg_dropdown_history_base {
public:
    explicit cfg_dropdown_history(const guid& variable_guid, std::uint32_t limit = 16) noexcept
        : _cfg_dropdown_history_base(limit), rate_history_text(variable_guid)
    {
    }

    void store_text(const std::string& text) override { rate_history_text.set(text); }
    void load_text(std::string& out) const override { out = rate_history_text.get(); }

private:
    cfg_string rate_history_text;
};
