// Paths as libsndfile and TagLib take them. Our paths are UTF-8; on Windows both
// libraries read a narrow name in the ANSI code page, which cannot name every file,
// so there they are handed the wide name.
#pragma once

#include <string>

#include <sndfile.h>
#include <taglib/tiostream.h>

// sf_open for a UTF-8 path.
SNDFILE* open_sound_file(const std::string& path, int mode, SF_INFO* info);

// A file name for TagLib's files, holding its text for as long as it lives.
class taglib_path {
public:
    explicit taglib_path(const std::string& path);
    TagLib::FileName name() const;

private:
#if defined(_WIN32)
    std::wstring text_;
#else
    std::string text_;
#endif
};
