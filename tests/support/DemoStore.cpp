#include "tests/support/DemoStore.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "form/Cp949.h"

namespace testing_support {

void LoadDemoStore(const TestDatabase& db) {
    std::set<std::filesystem::path> files;  // in file-name order
    for (const auto& entry : std::filesystem::directory_iterator(POSFIX_DEMO_DATA_DIR))
        if (entry.path().extension() == ".sql") files.insert(entry.path());
    ASSERT_FALSE(files.empty()) << "no demo seed files in " << POSFIX_DEMO_DATA_DIR;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        ASSERT_TRUE(in) << "demo seed file unreadable: " << file;
        std::stringstream text;
        text << in.rdbuf();
        std::istringstream lines(form::Utf8ToCp949(text.str()));
        std::vector<std::string> statements;
        std::string line, statement;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line.rfind("--", 0) == 0) continue;
            statement += statement.empty() ? line : "\n" + line;
            if (statement.back() != ';') continue;
            statement.pop_back();
            if (statement != "COMMIT") statements.push_back(statement);
            statement.clear();
        }
        ASSERT_TRUE(statement.empty()) << file << " ends inside a statement";
        db.ExecAll(statements);
    }
}

}  // namespace testing_support
