#include "input/input_entry_impl.h"

#include "input/input_wrappers.h"

namespace {

// A new wrapper holds the only reference; it is handed out only after the
// open succeeded, so a failure leaves `out` untouched and frees the object.
template <class Wrapper, class Interface>
void open_wrapped(service_ptr_t<Interface>& out, file_ptr file_hint, const char* path, open_reason reason, abort_signal& abort)
{
    service_ptr_t<Wrapper> object = make_service<Wrapper>();
    object->open(std::move(file_hint), path, reason, abort);
    out = object.get_ptr();
}

} // namespace

bool input_entry_impl::service_query(service_ptr_t<service_base>& out, const guid& wanted)
{
    return answer_query<input_entry>(this, out, wanted);
}

bool input_entry_impl::accepts_content_type(const char*) { return false; }

bool input_entry_impl::accepts_path(const char*, const char* extension)
{
    if (extension == nullptr) return false;
    const char expected[] = "dff";
    for (int i = 0; i < 3; ++i) {
        char c = extension[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != expected[i]) return false;
    }
    return extension[3] == '\0';
}

void input_entry_impl::open_decoder(service_ptr_t<input_decoder>& out, file_ptr file_hint, const char* path, abort_signal& abort)
{
    open_wrapped<input_decoder_impl>(out, std::move(file_hint), path, open_reason::decode, abort);
}

void input_entry_impl::open_info_reader(service_ptr_t<input_info_reader>& out, file_ptr file_hint, const char* path, abort_signal& abort)
{
    open_wrapped<input_info_reader_impl>(out, std::move(file_hint), path, open_reason::info_read, abort);
}

void input_entry_impl::open_info_writer(service_ptr_t<input_info_writer>& out, file_ptr file_hint, const char* path, abort_signal& abort)
{
    open_wrapped<input_info_writer_impl>(out, std::move(file_hint), path, open_reason::info_write, abort);
}

void input_entry_impl::get_extended_data(file_ptr, const char*, const guid&, mem_block_container& out, abort_signal&)
{
    out.set_size(0);
}
