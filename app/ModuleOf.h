#pragma once

#include <cstdint>
#include <string>

namespace app {

// The file name (without folder) of the module that holds `address`, and the address's offset
// from the module's load address. When the module cannot be told, the program's own file name
// and offset 0. Per platform: ModuleOfPosix.cpp, ModuleOfWindows.cpp.
void ModuleOf(const void* address, std::string& name, std::uintptr_t& offset);

}  // namespace app
