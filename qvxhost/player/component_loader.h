// Loads the component library as the media player does: calls its export with
// our service registry, tells it its path, declares our services ready, and
// finds services in its factory list.
#pragma once

#include "host/component_client.h"
#include "host/input.h"
#include "qvxhost/player/shared_library.h"

#include <cstdint>
#include <string>
#include <vector>

class loaded_component {
public:
    // Throws exception_io when the library cannot be loaded, lacks the export,
    // or speaks another interface version. `registry` must outlive this object.
    loaded_component(const std::string& path, service_registry& registry);
    // Tells the component our services are going away.
    ~loaded_component();
    loaded_component(const loaded_component&) = delete;
    loaded_component& operator=(const loaded_component&) = delete;

    // Every service object obtained through this object must be released
    // before it is destroyed, and so must every error object the component
    // threw: their code is unloaded with the library.

    component_client& client() const noexcept { return *client_; }

    // Class GUIDs of the factory list, in list order from its head.
    std::vector<guid> factory_classes() const;
    // The service of the first factory for `class_guid` that answers T's interface; empty if none.
    template <class T>
    service_ptr_t<T> find_service(const guid& class_guid = T::class_guid) const
    {
        service_ptr_t<T> typed;
        typed.query_from(create_service(class_guid).get_ptr());
        return typed;
    }
    // The input entry; throws exception_service_not_found when the component has none.
    service_ptr_t<input_entry> input() const;

    // Passes configuration records to and from the component.
    void read_configuration(const std::vector<std::uint8_t>& records, abort_signal& abort) const;
    std::vector<std::uint8_t> write_configuration(abort_signal& abort) const;

private:
    service_ptr_t<service_base> create_service(const guid& class_guid) const;

    shared_library library_;
    component_client* client_ = nullptr;
};

// The file-name part of a path: what follows the last separator.
std::string file_name_of(const std::string& path);
