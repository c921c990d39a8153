// UTF-8 string that the host or the component hands out as an output string.
#pragma once

#include "host/string_base.h"

#include <string>
#include <string_view>

class string8 final : public string_base {
public:
    string8() = default;
    explicit string8(std::string_view text) : text_(text) {}

    void set_string(const char* text, std::size_t length) override { text_.assign(text, length); }
    const char* get_ptr() const override { return text_.c_str(); }
    std::size_t length() const override { return text_.size(); }

    const std::string& str() const noexcept { return text_; }

private:
    std::string text_;
};

inline void set_string(string_base& out, std::string_view text) { out.set_string(text.data(), text.size()); }
