#include "qvxhost/player/track_info_impl.h"

#include <cstring>

namespace {
std::string text_of(const char* text, std::size_t length)
{
    if (text == nullptr) return {};
    if (length == track_info::length_unbounded) return std::string(text);
    // A bounded text may still end early at a zero, as C strings do.
    const void* zero = std::memchr(text, 0, length);
    return std::string(text, zero ? static_cast<const char*>(zero) - text : length);
}
} // namespace

void track_info_impl::set_length(double seconds)
{
    length_ = seconds;
    has_length_ = true;
}

void track_info_impl::set_field(const char* name, std::size_t name_length, const char* value,
                                std::size_t value_length)
{
    std::string key = text_of(name, name_length);
    std::string text = text_of(value, value_length);
    for (auto& existing : fields_) {
        if (existing.name == key) {
            existing.value = std::move(text);
            return;
        }
    }
    fields_.push_back({std::move(key), std::move(text)});
}

std::optional<std::string> track_info_impl::get(const std::string& name) const
{
    for (const auto& existing : fields_)
        if (existing.name == name) return existing.value;
    return std::nullopt;
}

void track_info_impl::clear()
{
    fields_.clear();
    length_ = 0.0;
    has_length_ = false;
}
