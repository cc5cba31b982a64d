#pragma once

#include <string>
#include <vector>

namespace db {

// The Firebird client library, loaded on first use and kept loaded until the process ends; it is
// looked for where the platform keeps it (LibrarySearch.h). Creating any database object calls
// EnsureLoaded(); when the library cannot be loaded it throws DbError("InterBase library
// gds32.dll not found in the path. Please install InterBase to use this functionality", or on
// Windows the 32-bit message for a client of the wrong architecture) and the next call tries
// again.
class ClientLibrary {
public:
    // Loads the library when it is not loaded yet. Throws DbError on failure.
    static void EnsureLoaded();

    // By default "libfbclient.so.2" (Linux) or the Windows candidates of LibrarySearch.h are
    // tried in order. A test may put file names of its own in their place before the first load
    // (a missing library, a library that fails on purpose); none, or an empty name, restores the
    // default.
    static void SetFileNamesForTesting(std::vector<std::string> fileNames);
    static void SetFileNamesForTesting(const std::string& fileName) {
        SetFileNamesForTesting(fileName.empty() ? std::vector<std::string>()
                                                : std::vector<std::string>{fileName});
    }
    static void ResetFileNamesForTesting();

    static bool IsLoaded();
    // The file the loaded library came from (LibraryFile in LibrarySearch.h, or the candidate's
    // name when the system cannot tell); empty while none is loaded.
    static std::string LoadedFile();

    // The library installs its own process-wide handlers (POSIX SIGTERM and SIGINT) at its first
    // attach. This makes it do so now, by an attach that fails at once without reaching a
    // server, so that handlers the tool takes afterwards stay in place during the window's own
    // attach. Loads the library; does nothing when it cannot be loaded.
    static void LetClientSetUpProcess();
};

}  // namespace db
