// Loading the client library by file name, in a process of its own: once the real library is
// loaded it stays loaded, so the failures come first.
#include <gtest/gtest.h>

#include <string>

#include "db/ClientLibrary.h"
#include "db/DbConnection.h"
#include "db/DbError.h"
#include "db/DbQuery.h"
#include "db/DbStatement.h"
#include "db/DbTransaction.h"
#include "tests/support/ErrorOf.h"

using db::ClientLibrary;

namespace {

using testing_support::ErrorOf;

TEST(ClientLibrary, MissingLibraryOrEntryPointFailsEveryCreationUntilItLoads) {
    ASSERT_FALSE(ClientLibrary::IsLoaded());
    ClientLibrary::SetFileNamesForTesting("libposfix_no_such_client.so.2");
    for (const std::string& error : {ErrorOf([] { db::DbConnection connection("x"); }),
                                     ErrorOf([] { db::DbTransaction transaction(nullptr); }),
                                     ErrorOf([] { db::DbQuery query(nullptr, nullptr); }),
                                     ErrorOf([] { db::DbStatement statement(nullptr, nullptr); })})
        EXPECT_EQ(error,
                  "InterBase library gds32.dll not found in the path. Please install InterBase to "
                  "use this functionality");
    // A library that loads but lacks the entry points: the system's own text.
    ClientLibrary::SetFileNamesForTesting("libz.so.1");
    const std::string missing = ErrorOf([] { db::DbConnection connection("x"); });
    EXPECT_NE(missing.find("undefined symbol: isc_"), std::string::npos) << missing;
    EXPECT_FALSE(ClientLibrary::IsLoaded());

    // The next creation tries again, passing over a library it cannot use.
    ClientLibrary::SetFileNamesForTesting(
        std::vector<std::string>{"libz.so.1", "libfbclient.so.2"});
    db::DbConnection connection("x");
    EXPECT_TRUE(ClientLibrary::IsLoaded());
    db::DbTransaction transaction(&connection);
    db::DbQuery query(&connection, &transaction);
    db::DbStatement statement(&connection, &transaction);
    EXPECT_EQ(transaction.DefaultDatabase(), &connection);
    // Once loaded it stays loaded, whatever the names say now.
    ClientLibrary::SetFileNamesForTesting("libposfix_no_such_client.so.2");
    db::DbConnection another("y");
    ClientLibrary::ResetFileNamesForTesting();
}

}  // namespace
