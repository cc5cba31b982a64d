#pragma once

#include <functional>
#include <string>
#include <vector>

namespace db {

// Finding and opening the client library. The order in which candidates are tried and the
// failure texts are the same on every platform; only the candidates themselves and how one is
// opened differ (LibrarySearchPosix.cpp, LibrarySearchWindows.cpp).

// What opening one candidate gave: a handle, or the system's error code, or, for a library that
// opened but cannot be used (an entry point the tool needs is missing), why; it is closed again.
struct LoadOutcome {
    void* handle = nullptr;
    unsigned long error = 0;
    std::string unusable = {};
};
using LibraryLoader = std::function<LoadOutcome(const std::string& candidate)>;

struct LoadedLibrary {
    void* handle = nullptr;
    std::string candidate;  // the one that opened
};

// The system's error code for a library of the wrong architecture (a 32-bit client asked for by
// a 64-bit program): ERROR_BAD_EXE_FORMAT.
constexpr unsigned long kWrongArchitectureError = 193;

// Where the client is looked for on Windows, in this order: where Firebird's own tools find it
// (fbclient.dll in the program's folder, in the root of the default Firebird instance and in its
// bin folder (older versions), then the bare names fbclient.dll and gds32.dll for the system's
// own search), and last the client shipped with the program, firebird\fbclient.dll in the
// program's folder: the store's own client fits its server best, the shipped one serves when
// that is missing or unusable (32-bit, or lacking an entry point). An empty folder is left out;
// folders are UTF-8.
std::vector<std::string> WindowsCandidates(const std::string& programFolder,
                                           const std::string& instanceRoot);

// Opens the first candidate that loads and can be used. When none does, throws DbError with the
// failure of the first candidate that was there but could not be used (the 32-bit message for
// the wrong architecture, or its `unusable` text), else the message that the library was not
// found ("... gds32.dll not found in the path ...").
LoadedLibrary LoadFirst(const std::vector<std::string>& candidates, const LibraryLoader& load);

// The texts LoadFirst fails with.
std::string NotFoundMessage();
std::string WrongArchitectureMessage(const std::string& candidate);

// Per platform: the candidates of this machine, and opening, binding and closing one.
std::vector<std::string> PlatformCandidates();
LoadOutcome OpenLibrary(const std::string& candidate);
void* FindEntryPoint(void* library, const char* name);
// The full path of the file an opened library was loaded from: on POSIX with every symbolic link
// resolved, on Windows the module's file name (UTF-8). Empty when the system cannot tell.
std::string LibraryFile(void* library);
std::string LastEntryPointError();
void CloseLibrary(void* library);

}  // namespace db
