#include <dlfcn.h>

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

std::string LastEntryPointError() {
    const char* text = dlerror();
    return text ? text : "undefined symbol";
}

void CloseLibrary(void* library) {
    dlclose(library);
}

}  // namespace db
