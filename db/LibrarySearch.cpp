#include "db/LibrarySearch.h"

#include "db/DbError.h"

namespace db {

namespace {

std::string InFolder(const std::string& folder, const char* name) {
    const char last = folder.back();
    return folder + (last == '\\' || last == '/' ? "" : "\\") + name;
}

}  // namespace

std::vector<std::string> WindowsCandidates(const std::string& programFolder,
                                           const std::string& instanceRoot) {
    std::vector<std::string> candidates;
    if (!programFolder.empty()) candidates.push_back(InFolder(programFolder, "fbclient.dll"));
    if (!instanceRoot.empty()) {
        candidates.push_back(InFolder(instanceRoot, "fbclient.dll"));
        candidates.push_back(InFolder(InFolder(instanceRoot, "bin"), "fbclient.dll"));
    }
    candidates.push_back("fbclient.dll");
    candidates.push_back("gds32.dll");
    if (!programFolder.empty())
        candidates.push_back(InFolder(InFolder(programFolder, "firebird"), "fbclient.dll"));
    return candidates;
}

std::string NotFoundMessage() {
    return "InterBase library gds32.dll not found in the path. Please install InterBase to use "
           "this functionality";
}

std::string WrongArchitectureMessage(const std::string& candidate) {
    return "The Firebird client library " + candidate +
           " is a 32-bit library and cannot be used by this 64-bit program. Please install the "
           "64-bit Firebird client, or copy its fbclient.dll into the program's folder";
}

LoadedLibrary LoadFirst(const std::vector<std::string>& candidates, const LibraryLoader& load) {
    std::string firstFailure;
    for (const std::string& candidate : candidates) {
        const LoadOutcome outcome = load(candidate);
        if (outcome.handle) return {outcome.handle, candidate};
        // A later candidate may still be the right one; the first unusable one is reported.
        const std::string failure = outcome.error == kWrongArchitectureError
                                        ? WrongArchitectureMessage(candidate)
                                        : outcome.unusable;
        if (firstFailure.empty()) firstFailure = failure;
    }
    throw DbError(firstFailure.empty() ? NotFoundMessage() : firstFailure);
}

}  // namespace db
