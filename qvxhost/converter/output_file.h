// An output written under a temporary name in its final folder and renamed
// into place once complete, so that no half-written file ever carries the
// final name. Until commit() succeeds, destruction removes the temporary file.
// A device or pipe already at the final name (/dev/null, NUL) is written
// directly: there is no file to replace.
#pragma once

#include <filesystem>
#include <string>

class output_file {
public:
    // ".NAME.partial" beside the final name.
    static std::filesystem::path temporary_for(const std::filesystem::path& final_path);

    // Creates the missing folders of `final_path`; throws exception_io naming
    // the folder when it cannot.
    explicit output_file(std::filesystem::path final_path);
    ~output_file();
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    // Where to write now (UTF-8).
    std::string path() const;
    // True when the output streams into a device: nothing is renamed, nothing can be read back.
    bool is_device() const noexcept { return device_; }
    // Renames the temporary file to the final name. Unless `overwrite`, an
    // output that appeared meanwhile is left alone and exception_io thrown.
    void commit(bool overwrite);

private:
    std::filesystem::path final_;
    std::filesystem::path temporary_;
    bool device_ = false;
    bool committed_ = false;
};
