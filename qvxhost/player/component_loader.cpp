#include "qvxhost/player/component_loader.h"

#include "qvxhost/player/memory_streams.h"
#include "qvxhost/player/service_impl.h"
#include "qvxhost/player/utf8_paths.h"

#include <filesystem>

std::string file_name_of(const std::string& path) { return utf8_from_path(path_from_utf8(path).filename()); }

loaded_component::loaded_component(const std::string& path, service_registry& registry) : library_(path)
{
    const auto entry = reinterpret_cast<quorvex_get_interface_t>(library_.symbol(quorvex_entry_point_name));
    if (entry == nullptr) throw exception_io("Not a component: " + path + " does not export " + quorvex_entry_point_name);
    client_ = entry(&registry, nullptr);
    if (client_ == nullptr) throw exception_io("Component " + path + " returned no client object");
    const std::uint32_t version = client_->get_version();
    if (version != component_client::interface_version)
        throw exception_io("Component " + path + " has interface version " + std::to_string(version) +
                           ", expected " + std::to_string(component_client::interface_version));
    const std::string full_path = utf8_from_path(std::filesystem::absolute(path_from_utf8(path)).lexically_normal());
    client_->set_library_path(full_path.c_str(), file_name_of(full_path).c_str());
    client_->services_ready(true);
}

loaded_component::~loaded_component() { client_->services_ready(false); }

std::vector<guid> loaded_component::factory_classes() const
{
    std::vector<guid> classes;
    for (service_factory_base* f = client_->get_service_list(); f != nullptr; f = f->next())
        classes.push_back(f->class_guid());
    return classes;
}

service_ptr_t<service_base> loaded_component::create_service(const guid& class_guid) const
{
    for (service_factory_base* f = client_->get_service_list(); f != nullptr; f = f->next()) {
        if (!(f->class_guid() == class_guid)) continue;
        service_ptr_t<service_base> object;
        f->instance_create(object);
        if (object.is_valid()) return object;
    }
    return {};
}

service_ptr_t<input_entry> loaded_component::input() const
{
    auto entry = find_service<input_entry>();
    if (entry.is_empty()) throw exception_service_not_found();
    return entry;
}

void loaded_component::read_configuration(const std::vector<std::uint8_t>& records, abort_signal& abort) const
{
    service_uncounted<memory_stream_reader_impl> stream(records);
    client_->read_configuration(stream, abort);
}

std::vector<std::uint8_t> loaded_component::write_configuration(abort_signal& abort) const
{
    service_uncounted<memory_stream_writer_impl> stream;
    client_->write_configuration(stream, abort);
    return stream.bytes();
}
