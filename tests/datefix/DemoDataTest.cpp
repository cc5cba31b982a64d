// The demo store gives both modes work once, and nothing on a second run.
#include <fstream>
#include <sstream>

#include "Cp949.h"
#include "SalesFixture.h"

namespace datefix_test {
namespace {

// Loads scripts/demo-data the way the demo does: UTF-8 files turned into code page 949, each
// statement (up to a line ending in ';') run on its own.
void LoadDemoData(const TestDatabase& db) {
    for (const char* file :
         {"01_terminals.sql", "02_tables.sql", "03_products.sql", "04_sales.sql"}) {
        std::ifstream in(std::string(POSFIX_DEMO_DATA_DIR) + "/" + file, std::ios::binary);
        ASSERT_TRUE(in) << "demo data file missing: " << file;
        std::stringstream text;
        text << in.rdbuf();
        std::istringstream lines(form::Utf8ToCp949(text.str()));
        std::vector<std::string> statements;
        std::string line, statement;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line.rfind("--", 0) == 0) continue;
            statement += statement.empty() ? line : "\n" + line;
            if (statement.back() == ';') {
                statement.pop_back();
                if (statement != "COMMIT") statements.push_back(statement);
                statement.clear();
            }
        }
        ASSERT_TRUE(statement.empty()) << file << " ends inside a statement";
        db.ExecAll(statements);
    }
}

long long RowsOn(const TestDatabase& db, const std::string& where) {
    long long rows = 0;
    for (const SalesTable& t : kMoveOrder) rows += db.Count(t.name, where);
    return rows;
}

using DemoData = DatePageTest;

TEST_F(DemoData, SingleDateMoveOnceThenNothingLeft) {
    LoadDemoData(db);
    const SalesState before = Capture(db);
    ASSERT_GT(RowsOn(db, "SAL_YMD = '20261110'"), 20);

    ChooseSingleMove("20261110", "20261111");
    Start();
    EXPECT_EQ(ui.log.back(), kSingleOk);
    ExpectSameSales(AfterSingleMove(before, "20261110", "20261111", 20, true), Capture(db));
    EXPECT_EQ(RowsOn(db, "SAL_YMD = '20261110'"), 0);

    const SalesState moved = Capture(db);
    Start();
    EXPECT_EQ(ui.log, (std::vector<std::string>{kSingleStart, "변경하실 날짜에 매출이 존재합니다.",
                                                kSingleFailed}));
    ExpectSameSales(moved, Capture(db));
}

TEST_F(DemoData, RealignmentOnceThenNothingLeft) {
    LoadDemoData(db);
    const SalesState before = Capture(db);
    ASSERT_EQ(RowsOn(db, "SAL_YMD between '20261202' and '20261204'"), 0);

    ChooseRealign("20261201", "20261204");
    Start();
    EXPECT_EQ(ui.log.back(), kRealignOk);
    const SalesState after = Capture(db);
    ExpectSameSales(AfterRealign(before, "20261201", "20261204"), after);
    for (const char* day : {"20261202", "20261203", "20261204"})
        EXPECT_GT(db.Count("OS_MASTER", std::string("SAL_YMD = '") + day + "'"), 0) << day;

    Start();
    EXPECT_EQ(ui.log.back(), kRealignOk);
    ExpectSameSales(after, Capture(db));
}

}  // namespace
}  // namespace datefix_test
