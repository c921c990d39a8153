#include "qvxhost/converter/library_paths.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#define ENABLE_SNDFILE_WINDOWS_PROTOTYPES 1
#include <sndfile.h>

#include "qvxhost/player/windows_text.h"

SNDFILE* open_sound_file(const std::string& path, int mode, SF_INFO* info)
{
    return sf_wchar_open(utf8_to_utf16(path).c_str(), mode, info);
}

taglib_path::taglib_path(const std::string& path) : text_(utf8_to_utf16(path)) {}
#else
SNDFILE* open_sound_file(const std::string& path, int mode, SF_INFO* info) { return sf_open(path.c_str(), mode, info); }

taglib_path::taglib_path(const std::string& path) : text_(path) {}
#endif

TagLib::FileName taglib_path::name() const { return text_.c_str(); }
