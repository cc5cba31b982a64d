// The client library's search order and its failure texts, with a loader that only records.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "db/DbError.h"
#include "db/LibrarySearch.h"

namespace {

using db::LoadOutcome;

// Opens nothing but the candidates it is given an outcome for, and records every try.
struct RecordingLoader {
    std::map<std::string, LoadOutcome> outcomes;
    std::vector<std::string> tried;

    db::LibraryLoader Loader() {
        return [this](const std::string& candidate) {
            tried.push_back(candidate);
            const auto found = outcomes.find(candidate);
            return found == outcomes.end() ? LoadOutcome{nullptr, 126} : found->second;
        };
    }
};

std::string FailureOf(const std::vector<std::string>& candidates, RecordingLoader& loader) {
    try {
        db::LoadFirst(candidates, loader.Loader());
    } catch (const db::DbError& e) {
        return e.what();
    }
    return "(loaded)";
}

int library = 0;

TEST(LibrarySearch, ProgramFolderThenInstanceRootAndBinThenTheSystemSearchThenTheShippedClient) {
    EXPECT_EQ(db::WindowsCandidates("C:\\POS", "C:\\Program Files\\Firebird\\Firebird_3_0\\"),
              (std::vector<std::string>{
                  "C:\\POS\\fbclient.dll",
                  "C:\\Program Files\\Firebird\\Firebird_3_0\\fbclient.dll",
                  "C:\\Program Files\\Firebird\\Firebird_3_0\\bin\\fbclient.dll",
                  "fbclient.dll",
                  "gds32.dll",
                  "C:\\POS\\firebird\\fbclient.dll",
              }));
    // No Firebird registered: the program's folder, the system's search, the shipped client.
    EXPECT_EQ(db::WindowsCandidates("C:\\포스\\", ""),
              (std::vector<std::string>{"C:\\포스\\fbclient.dll", "fbclient.dll", "gds32.dll",
                                        "C:\\포스\\firebird\\fbclient.dll"}));
}

TEST(LibrarySearch, TheFirstCandidateThatLoadsIsKeptAndNoLaterOneIsTried) {
    const auto candidates = db::WindowsCandidates("C:\\POS", "D:\\FB");
    RecordingLoader loader;
    loader.outcomes["D:\\FB\\bin\\fbclient.dll"] = {&library, 0};
    loader.outcomes["fbclient.dll"] = {&library, 0};
    const db::LoadedLibrary loaded = db::LoadFirst(candidates, loader.Loader());
    EXPECT_EQ(loaded.handle, &library);
    EXPECT_EQ(loaded.candidate, "D:\\FB\\bin\\fbclient.dll");
    EXPECT_EQ(loader.tried,
              (std::vector<std::string>{"C:\\POS\\fbclient.dll", "D:\\FB\\fbclient.dll",
                                        "D:\\FB\\bin\\fbclient.dll"}));
}

TEST(LibrarySearch, AnUnusableClientIsNamedOnlyWhenNoLaterCandidateLoadsNotEvenTheShippedOne) {
    const auto candidates = db::WindowsCandidates("C:\\POS", "D:\\FB");
    RecordingLoader loader;
    loader.outcomes["D:\\FB\\fbclient.dll"] = {nullptr, db::kWrongArchitectureError};
    loader.outcomes["gds32.dll"] = {nullptr, db::kWrongArchitectureError};
    EXPECT_EQ(FailureOf(candidates, loader), db::WrongArchitectureMessage("D:\\FB\\fbclient.dll"));
    EXPECT_EQ(loader.tried.size(), candidates.size());
    EXPECT_NE(db::WrongArchitectureMessage("X").find("X is a 32-bit library"), std::string::npos);
    EXPECT_NE(db::WrongArchitectureMessage("X").find("64-bit Firebird client"), std::string::npos);
    // An old client that lacks an entry point, found first, is the one named.
    loader.outcomes["C:\\POS\\fbclient.dll"] = {nullptr, 0, "no isc_dsql_execute2"};
    EXPECT_EQ(FailureOf(candidates, loader), "no isc_dsql_execute2");

    // A store with a 32-bit or an old Firebird ends at the shipped client.
    loader.outcomes["C:\\POS\\firebird\\fbclient.dll"] = {&library, 0};
    EXPECT_EQ(db::LoadFirst(candidates, loader.Loader()).candidate,
              "C:\\POS\\firebird\\fbclient.dll");
}

TEST(LibrarySearch, NothingFoundKeepsTheInterBaseMessage) {
    RecordingLoader loader;
    EXPECT_EQ(FailureOf(db::WindowsCandidates("", ""), loader),
              "InterBase library gds32.dll not found in the path. Please install InterBase to use "
              "this functionality");
    EXPECT_EQ(loader.tried, (std::vector<std::string>{"fbclient.dll", "gds32.dll"}));
}

}  // namespace
