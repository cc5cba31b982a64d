#pragma once

#include <string>

namespace db {

// The Firebird client library, loaded on first use by file name and kept loaded until the
// process ends. Creating any database object calls EnsureLoaded(); when the library cannot be
// loaded it throws DbError("InterBase library gds32.dll not found in the path. Please install
// InterBase to use this functionality") and the next call tries again.
class ClientLibrary {
public:
    // Loads the library when it is not loaded yet. Throws DbError on failure.
    static void EnsureLoaded();

    // The file names tried in order (Linux: "libfbclient.so.2"; Windows: "fbclient.dll", then
    // "gds32.dll"). A test may replace them before the first load to exercise the missing-library
    // path; an empty list restores the default.
    static void SetFileNamesForTesting(const std::string& fileName);
    static void ResetFileNamesForTesting();

    static bool IsLoaded();
};

}  // namespace db
