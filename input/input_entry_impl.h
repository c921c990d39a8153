// The input entry: which paths are ours, and opening them.
#pragma once

#include "host/input.h"

class input_entry_impl : public input_entry {
public:
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override;
    bool accepts_content_type(const char* content_type) override;
    bool accepts_path(const char* full_path, const char* extension) override;
    void open_decoder(service_ptr_t<input_decoder>& out, file_ptr file_hint, const char* path, abort_signal& abort) override;
    void open_info_reader(service_ptr_t<input_info_reader>& out, file_ptr file_hint, const char* path, abort_signal& abort) override;
    void open_info_writer(service_ptr_t<input_info_writer>& out, file_ptr file_hint, const char* path, abort_signal& abort) override;
    void get_extended_data(file_ptr file_hint, const char* track_location, const guid& what, mem_block_container& out,
                           abort_signal& abort) override;
    std::uint32_t get_flags() override { return 0; }
};
