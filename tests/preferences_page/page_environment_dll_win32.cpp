// The component as the player has it: qvx_input_dsdiff.dll, loaded from
// ../lib beside the test program (or QVX_COMPONENT_DLL), given our registry.
#include "host_version_service.h"
#include "page_environment.h"

#include "qvxhost/player/executable_path.h"
#include "qvxhost/player/shared_library.h"

#include <cstdlib>
#include <filesystem>

namespace {

std::string component_path()
{
    if (const char* path = std::getenv("QVX_COMPONENT_DLL")) return path;
    const std::filesystem::path program = executable_path();
    return (program.parent_path() / ".." / "lib" / "qvx_input_dsdiff.dll").lexically_normal().string();
}

struct loaded_dll {
    loaded_dll() : library(component_path())
    {
        add_version_services(registry, 1);
        entry = reinterpret_cast<quorvex_get_interface_t>(library.symbol(quorvex_entry_point_name));
        if (entry == nullptr) throw exception_io("qvx_input_dsdiff.dll lacks its export");
        client = entry(&registry, nullptr);
        const std::string path = std::filesystem::absolute(library.path()).string();
        client->set_library_path(path.c_str(), "qvx_input_dsdiff.dll");
        client->services_ready(true);
    }
    service_registry_impl registry;
    shared_library library;
    quorvex_get_interface_t entry = nullptr;
    component_client* client = nullptr;
};

loaded_dll& dll()
{
    static loaded_dll loaded;
    return loaded;
}

} // namespace

component_client& test_client() { return *dll().client; }

void give_registry(service_registry* registry) { dll().entry(registry ? registry : &dll().registry, nullptr); }

HINSTANCE page_module()
{
    dll();
    return GetModuleHandleW(L"qvx_input_dsdiff.dll");
}
