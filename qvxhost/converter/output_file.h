// An output written under a temporary name in its final folder and renamed
// into place once complete, so that no half-written file ever carries the
// final name. Until commit() succeeds, destruction removes the temporary file.
#pragma once

#include "qvxhost/player/utf8_paths.h"

#include <filesystem>
#include <string>

class output_file {
public:
    // Creates the missing folders of `final_path`; throws exception_io naming
    // the folder when it cannot.
    explicit output_file(std::filesystem::path final_path);
    ~output_file();
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    // Where to write: ".NAME.partial" beside the final name.
    std::string temporary_path() const { return utf8_from_path(temporary_); }
    // Renames the temporary file to the final name. Unless `overwrite`, an
    // output that appeared meanwhile is left alone and exception_io thrown.
    void commit(bool overwrite);

private:
    std::filesystem::path final_;
    std::filesystem::path temporary_;
    bool committed_ = false;
};
