#include "tests/support/FaultyClientControl.h"

#include <dlfcn.h>

#include <stdexcept>

#include "db/ClientLibrary.h"

namespace testing_support {

void UseFaultyClient() {
    db::ClientLibrary::SetFileNamesForTesting(POSFIX_FAULTY_CLIENT);
}

StandInState& StandIn() {
    db::ClientLibrary::EnsureLoaded();
    void* library = dlopen(POSFIX_FAULTY_CLIENT, RTLD_NOW | RTLD_NOLOAD);
    if (!library) throw std::logic_error("the stand-in client library is not the one loaded");
    void* state = dlsym(library, "posfix_stand_in");
    dlclose(library);
    if (!state) throw std::logic_error("the stand-in lacks its state");
    return *static_cast<StandInState*>(state);
}

}  // namespace testing_support
