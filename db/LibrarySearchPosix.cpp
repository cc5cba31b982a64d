#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <memory>

#include "db/LibrarySearch.h"

namespace db {

std::vector<std::string> PlatformCandidates() {
    return {"libfbclient.so.2"};
}

LoadOutcome OpenLibrary(const std::string& candidate) {
    return {dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL), 0};
}

void* FindEntryPoint(void* library, const char* name) {
    dlerror();
    return dlsym(library, name);
}

std::string LibraryFile(void* library) {
    // The loader's name for the file is the path it opened, found by its own search.
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name || !*map->l_name)
        return {};
    const std::unique_ptr<char, void (*)(void*)> real(realpath(map->l_name, nullptr), std::free);
    return real ? real.get() : map->l_name;
}

std::string LastEntryPointError() {
    const char* text = dlerror();
    return text ? text : "undefined symbol";
}

void CloseLibrary(void* library) {
    dlclose(library);
}

}  // namespace db
