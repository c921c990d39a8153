#include "preferences/win32/own_module.h"

// The linker places this symbol at the start of the image that contains the
// code: the component's DLL, or a program that links the page statically.
extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE own_module_instance() noexcept { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
