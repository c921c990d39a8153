// A track_info that remembers its named fields in the order they were first set.
#pragma once

#include "host/track_info.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

class track_info_impl final : public track_info {
public:
    struct field {
        std::string name;
        std::string value;
        friend bool operator==(const field&, const field&) = default;
    };

    void set_length(double seconds) override;
    // Setting a name again replaces its value and keeps its place.
    void set_field(const char* name, std::size_t name_length, const char* value, std::size_t value_length) override;

    const std::vector<field>& fields() const noexcept { return fields_; }
    std::optional<std::string> get(const std::string& name) const;
    // Zero until set_length is called.
    double length() const noexcept { return length_; }
    bool has_length() const noexcept { return has_length_; }
    void clear();

private:
    std::vector<field> fields_;
    double length_ = 0.0;
    bool has_length_ = false;
};
