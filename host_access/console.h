// Text for the host's console: collected, then printed when the formatter
// goes out of scope, once the host's services are ready.
#pragma once

#include <sstream>
#include <string>

class console_formatter {
public:
    console_formatter() = default;
    console_formatter(const console_formatter&) = delete;
    console_formatter& operator=(const console_formatter&) = delete;
    ~console_formatter();

    template <class T>
    console_formatter& operator<<(const T& value)
    {
        text << value;
        return *this;
    }

private:
    std::ostringstream text;
};
