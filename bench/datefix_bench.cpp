// Measures the sales date correction against the test server (POSFIX_TEST_SERVER,
// POSFIX_TEST_DATA), each figure as a ratio against a baseline run in the same process:
//
//  move     A single-date move of one day with ROWS sales rows spread over the twenty tables,
//           started with the real window's start button (offscreen, log included), against the
//           same UPDATE statements (one per row, a commit after each table, then the register)
//           run as one isql-fb script on an identical database; then the day moved back the same
//           way, the tool first; the window keeps its move journal and log of changes as the
//           installed tool does. Goal: ratio <= 1.0 in each round. A third round runs the move
//           without the window (lines counted, nothing drawn) to show what the log's drawing
//           costs. The backup the tool makes before the move is timed apart (while its progress
//           dialog is open), left out of the move's figure and printed as a ratio to the move.
//  log      The window's log alone: 10,000 and then 100,000 lines appended during a run; time
//           per line of each and their ratio. Goal: ratio <= 1.5.
//  realign  A realignment of three days with ROWS misdated sales rows spread over the twenty
//           tables, started with the window's button, against its twenty statements run by
//           isql-fb (a commit after each) on an identical database; twice, in opposite order.
//           Goal: ratio <= 1.1.
//
// Both databases of a comparison are built by the same isql-fb script: the test schema, an
// index on the sale key of every sales table (as a store database has), the rows.
//
// Usage: datefix_bench [move|log|realign|all] [ROWS]   (default: all 50000)
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/MoveJournalFile.h"
#include "app/OperationTrace.h"
#include "bench/quiet_dialogs.h"
#include "datefix/DatePage.h"
#include "datefix/SalesTables.h"
#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "form/WindowOps.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kUser = "sysdba";
const char* const kPassword = "quillmoss";
const char* const kWrongDate = "20240313";
const char* const kTargetDate = "20240314";

// Stored names of the twenty tables with their key column.
const std::vector<std::pair<std::string, std::string>> kTables = {
    {"OS_ORDER", "SAL_SEQ"},
    {"OS_ORDER_H", "SAL_SEQ"},
    {"OS_ORDER_SETITEM", "SAL_SEQ"},
    {"OS_MASTER", "SAL_SEQ"},
    {"OS_PAY", "SAL_SEQ"},
    {"OS_PAY_INFO", "SAL_SEQ"},
    {"OS_ORDER_TBL_SEQ", "SAL_SEQ"},
    {"CS_MASTER", "BILL_NO"},
    {"CS_BALANCE", "SAL_SEQ"},
    {"MS_POINT_DETAIL", "SAL_SEQ"},
    {"OS_ASSOCIATES", "SAL_SEQ"},
    {"OS_FISHING_GAME", "SAL_SEQ"},
    {"OS_MOBILE_PAY", "SAL_SEQ"},
    {"OS_TAXPAY", "SAL_SEQ"},
    {"OS_ETC_INWON", "SAL_SEQ"},
    {"OS_ETC_INWON_PAY", "SAL_SEQ"},
    {"OS_INWON_DETAIL", "SAL_SEQ"},
    {"OS_LSTICKET_APV_BARCODE", "SAL_SEQ"},
    {"OS_LSTICKET_APV_DETAIL", "SAL_SEQ"},
    {"OS_LSTICKET_APV_HEAD", "SAL_SEQ"},
};

std::string StampColumn(const std::string& table) {
    static const std::vector<std::string> none = {"OS_PAY_INFO",
                                                  "OS_ETC_INWON",
                                                  "OS_ETC_INWON_PAY",
                                                  "OS_INWON_DETAIL",
                                                  "OS_LSTICKET_APV_BARCODE",
                                                  "OS_LSTICKET_APV_DETAIL",
                                                  "OS_LSTICKET_APV_HEAD"};
    for (const auto& t : none)
        if (t == table) return "";
    return table == "OS_ORDER_TBL_SEQ" ? "REG_DT" : "UPD_DT";
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set");
    return value;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

void RunIsql(const std::string& scriptPath) {
    const std::string log = scriptPath + ".log";
    const std::string command = "isql-fb -b -q -user " + std::string(kUser) + " -password " +
                                kPassword + " -i '" + scriptPath + "' > '" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string output = ReadFile(log);
    fs::remove(log);
    if (status != 0 || output.find("Statement failed") != std::string::npos)
        throw std::runtime_error("isql-fb failed on " + scriptPath + ":\n" + output);
}

// A database of its own under POSFIX_TEST_DATA, dropped (file removed) when the object goes.
class BenchDatabase {
public:
    BenchDatabase(const std::string& tag, const std::string& seedBlocks) {
        static int counter = 0;
        path_ = Env("POSFIX_TEST_DATA") + "/posfix_bench_datefix_" + std::to_string(::getpid()) +
                "_" + tag + std::to_string(++counter) + ".fdb";
        name_ = Env("POSFIX_TEST_SERVER") + ":" + path_;
        fs::remove(path_);
        std::string script = "create database '" + name_ + "' user '" + kUser + "' password '" +
                             kPassword + "';\n" + ReadFile(POSFIX_SCHEMA_FILE) + "\ncommit;\n";
        for (const auto& [table, key] : kTables)
            script += "create index IX_" + table + " on " + table + " (SAL_YMD, " + key + ");\n";
        script += "commit;\nset term ^;\n" + seedBlocks + "set term ;^\ncommit;\n";
        const std::string scriptPath = path_ + ".sql";
        WriteFile(scriptPath, script);
        try {
            RunIsql(scriptPath);
        } catch (...) {
            std::error_code ignored;
            fs::remove(scriptPath, ignored);
            fs::remove(path_, ignored);
            throw;
        }
        fs::remove(scriptPath);
    }
    ~BenchDatabase() {
        std::error_code ignored;
        fs::remove(path_, ignored);
        // The backups the tool made before its changes, beside the file.
        const std::string prefix = fs::path(path_).stem().string() + "-";
        for (const auto& entry : fs::directory_iterator(fs::path(path_).parent_path(), ignored)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) == 0 && entry.path().extension() == ".fbk")
                fs::remove(entry.path(), ignored);
        }
    }
    const std::string& Name() const { return name_; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string name_;
};

// Server-side loops inserting `rows` rows of business date `ymd` spread evenly over the twenty
// tables; sale i of a table is stamped on day `firstDay` + i mod `days` of March 2024.
std::string SeedBlocks(long rows, const std::string& ymd, int firstDay, int days) {
    const long perTable = rows / static_cast<long>(kTables.size());
    std::string blocks;
    for (const auto& [table, key] : kTables) {
        const std::string stamp = StampColumn(table);
        std::string columns = "SAL_YMD, " + key;
        std::string values = "'" + ymd + "', :i";
        if (!stamp.empty()) {
            columns += ", " + stamp;
            values += ", '2024-03-' || lpad(" + std::to_string(firstDay) + " + mod(:i, " +
                      std::to_string(days) +
                      "), 2, '0') || ' ' || lpad(mod(:i / 60, 24), 2, '0') || ':' || "
                      "lpad(mod(:i, 60), 2, '0') || ':07'";
        }
        if (table == "OS_ORDER") {
            columns += ", TBL_SAL_SEQ";
            values += ", 1";
        }
        blocks += "execute block as declare i integer = 1; begin while (i <= " +
                  std::to_string(perTable) + ") do begin insert into " + table + " (" + columns +
                  ") values (" + values + "); i = i + 1; end end^\n";
    }
    blocks += "insert into OC_REGISTER (SAL_YMD, OC_GB) values ('" + ymd + "', 'O')^\n";
    return blocks;
}

// Times the isql-fb run of a script that starts by connecting to `database`.
double TimeIsqlScript(const std::string& database, const std::string& statements,
                      const std::string& scratch) {
    const std::string path = scratch + ".baseline.sql";
    WriteFile(path, "connect '" + database + "' user '" + kUser + "' password '" + kPassword +
                        "';\n" + statements);
    const auto start = Clock::now();
    RunIsql(path);
    const double seconds = Seconds(start);
    fs::remove(path);
    return seconds;
}

// Answers OK, counts log lines and draws nothing: the move without the window's costs.
class SilentWindow : public form::WindowOps {
public:
    std::map<form::RadioId, bool> checked;
    form::DateTimeValue first, second;
    long lines = 0;

    int SelectedIndex(form::ListBoxId) const override { return -1; }
    int ItemCount(form::ListBoxId) const override { return 0; }
    std::string ItemBytes(form::ListBoxId, int) const override { return {}; }
    void ClearItems(form::ListBoxId) override {}
    void AppendItem(form::ListBoxId, const std::string&) override {}
    bool IsChecked(form::RadioId radio) const override {
        auto it = checked.find(radio);
        return it != checked.end() && it->second;
    }
    int Tag(form::RadioId radio) const override {
        return radio == form::RadioId::RadioButton3 ? 1 : 2;
    }
    form::DateTimeValue PickerValue(form::PickerId picker) const override {
        return picker == form::PickerId::dtChange01 ? first : second;
    }
    void SetPanelCaption(const std::string&) override {}
    void SetPanelVisible(bool) override {}
    void SetLabelCaption(form::LabelId, const std::string&) override {}
    void SetLabelAlignment(form::LabelId, form::Alignment) override {}
    void ClearLog() override { lines = 0; }
    void AppendLog(const std::string&) override { ++lines; }
    void ShowProgress(const std::string& caption, int done, int total) override {
        progress.ShowProgress(caption, done, total);
    }
    void CloseProgress() override { progress.CloseProgress(); }
    QuietDialogs progress;  // times the backup
    int MessageDialog(const std::string&, form::DialogKind, form::DialogButtons) override {
        return form::kResultOk;
    }
};

// Every dialog answered OK; an error box ends the benchmark.
QuietDialogs& BenchDialogs() {
    static QuietDialogs dialogs(true);
    return dialogs;
}

// The window on `database`, with BenchDialogs().
std::unique_ptr<app::TfmMain> OpenWindow(const std::string& database) {
    auto window = std::make_unique<app::TfmMain>(database, BenchDialogs());
    window->ShowMain();
    return window;
}

// Chooses the mode, sets both pickers and presses the start button; returns the seconds the
// button's handler took without the backup, and the backup's in `backup`.
double RunThroughWindow(app::TfmMain& window, bool single, const QDate& first, const QDate& second,
                        double* backup = nullptr) {
    BenchDialogs().progressSeconds = 0;
    (single ? window.RadioButton3 : window.RadioButton4)->setChecked(true);
    window.dtChange01->SetDateTime(QDateTime(first, QTime(10, 30)));
    window.dtChange02->SetDateTime(QDateTime(second, QTime(10, 30)));
    const auto start = Clock::now();
    window.Button9->click();
    const double seconds = Seconds(start) - BenchDialogs().progressSeconds;
    if (backup) *backup = BenchDialogs().progressSeconds;
    const QStringList log = window.memoChange->toPlainText().split(QLatin1Char('\n'));
    if (!log.last().contains(QStringLiteral("정상 처리")))
        throw std::runtime_error("the run did not complete: " + log.last().toStdString());
    return seconds;
}

void Report(const char* what, double tool, double baseline, double goal) {
    std::printf("%s: tool %.2f s, isql-fb %.2f s, ratio %.3f (goal <= %.1f)\n", what, tool,
                baseline, tool / baseline, goal);
}

void ReportBackup(const char* what, double backup, double move) {
    std::printf("%s: backup before the move %.2f s, ratio to the move %.3f\n", what, backup,
                backup / move);
}

// The UPDATE statements a move from `from` to `to` makes on `database`, for its rows in the
// order the move's selections read them, with a commit after each table and the register step.
std::string MoveScript(const std::string& database, const std::string& from,
                       const std::string& to) {
    const std::string toDashed = to.substr(0, 4) + "-" + to.substr(4, 2) + "-" + to.substr(6, 2);
    std::string script;
    db::DbConnection connection(database);
    db::DbTransaction reader(&connection);
    db::DbQuery query(&connection, &reader);
    for (const datefix::SingleDateTable& table : datefix::kSingleDateTables) {
        query.OpenQuery(datefix::SelectionSql(table, from));
        while (!query.Eof()) {
            const std::string key = query.FieldText(table.key);
            const std::string tblSalSeq = table.tblSalSeq ? query.FieldText("Tbl_Sal_Seq") : "";
            script += datefix::RowUpdateSql(table, to, toDashed, from, key, tblSalSeq) + ";\n";
            query.Next();
        }
        script += "commit;\n";
    }
    script += datefix::RegisterUpdateSql(to, from) + ";\ncommit;\n";
    reader.Commit();
    connection.Disconnect();
    return script;
}

// Reads every sales table through once, so that the record versions left by an earlier round
// are collected now and not by whichever side runs next.
void Settle(const std::string& database) {
    db::DbConnection connection(database);
    db::DbTransaction reader(&connection);
    db::DbQuery query(&connection, &reader);
    for (const auto& [table, key] : kTables) query.OpenQuery("select count(*) cnt from " + table);
    query.OpenQuery("select count(*) cnt from OC_REGISTER");
    reader.Commit();
    connection.Disconnect();
}

// Two rounds on the same pair of databases: the day moved forward (isql-fb first), then back
// again (the tool first), so that neither side always runs on a warmer server.
void BenchMove(long rows) {
    std::printf("single-date move of %ld rows over twenty tables\n", rows);
    const std::string seed = SeedBlocks(rows, kWrongDate, 13, 1);
    BenchDatabase toolDb("move_tool", seed);
    BenchDatabase scriptDb("move_isql", seed);
    auto window = OpenWindow(toolDb.Name());
    // As the installed tool runs: with its move journal and its log of changes.
    QTemporaryDir files;
    app::MoveJournalFile journal(files.path());
    app::OperationTrace trace(files.filePath("logs"));
    window->State().moveJournal = &journal;
    window->SetTrace(&trace);

    const QDate day(2024, 3, 13), next(2024, 3, 14);
    double toolTotal = 0, baselineTotal = 0, backupTotal = 0;
    for (int round = 0; round < 2; ++round) {
        const bool forward = round == 0;
        const std::string from = forward ? kWrongDate : kTargetDate;
        const std::string to = forward ? kTargetDate : kWrongDate;
        const std::string script = MoveScript(scriptDb.Name(), from, to);
        Settle(scriptDb.Name());
        Settle(toolDb.Name());
        double tool = 0, baseline = 0, backup = 0;
        if (forward) baseline = TimeIsqlScript(scriptDb.Name(), script, scriptDb.Path());
        tool = RunThroughWindow(*window, true, forward ? day : next, forward ? next : day, &backup);
        if (!forward) baseline = TimeIsqlScript(scriptDb.Name(), script, scriptDb.Path());
        std::printf("  %s, log lines written: %d\n", forward ? "forward" : "back",
                    window->memoChange->blockCount());
        Report(forward ? "  move forward" : "  move back", tool, baseline, 1.0);
        ReportBackup(forward ? "  move forward" : "  move back", backup, tool);
        toolTotal += tool;
        baselineTotal += baseline;
        backupTotal += backup;
    }
    window->FormClose();
    Report("  move, both rounds", toolTotal, baselineTotal, 1.0);
    ReportBackup("  move, both rounds", backupTotal, toolTotal);

    // A third round without the window: how much of the difference is the log's drawing.
    const std::string script = MoveScript(scriptDb.Name(), kWrongDate, kTargetDate);
    Settle(scriptDb.Name());
    Settle(toolDb.Name());
    SilentWindow silent;
    silent.checked[form::RadioId::RadioButton3] = true;
    silent.first = {2024, 3, 13, 10, 30, 0};
    silent.second = {2024, 3, 14, 10, 30, 0};
    form::FormState state(silent, toolDb.Name());
    state.IBDatabase1.Connect();
    const auto start = Clock::now();
    datefix::Button9Click(state);
    const double tool = Seconds(start) - silent.progress.progressSeconds;
    if (silent.lines != rows + 4) throw std::runtime_error("the run without window did not finish");
    const double baseline = TimeIsqlScript(scriptDb.Name(), script, scriptDb.Path());
    Report("  move without window (log lines counted only)", tool, baseline, 1.0);
}

void BenchLog() {
    BenchDatabase empty("log", "");
    auto window = OpenWindow(empty.Name());
    double perLine[2] = {0, 0};
    const long counts[2] = {10000, 100000};
    for (int round = 0; round < 2; ++round) {
        window->ClearLog();
        const long n = counts[round];
        const auto start = Clock::now();
        // Inside a handler, as during a move: the window repaints the log as it goes.
        form::WindowOps& ui = window->State().ui;
        window->RunHandler([&] {
            for (long i = 0; i < n; ++i)
                ui.AppendLog("OS_LSTICKET_APV_BARCODE->" + std::to_string(i) + " - 2024-03-14");
        });
        perLine[round] = Seconds(start) / static_cast<double>(n);
        if (window->memoChange->blockCount() != n) throw std::runtime_error("lines lost");
        std::printf("log: %ld lines, %.2f us per line\n", n, perLine[round] * 1e6);
    }
    window->FormClose();
    std::printf("log: ratio per line 100000/10000 %.3f (goal <= 1.5)\n", perLine[1] / perLine[0]);
}

// Two rounds, each on a fresh pair of databases, in opposite order.
void BenchRealign(long rows) {
    std::printf("realignment of %ld misdated rows over three days\n", rows);
    const std::string seed = SeedBlocks(rows, kWrongDate, 14, 3);
    std::string script;
    for (const datefix::RealignTable& table : datefix::kRealignTables)
        script += datefix::RealignSql(table, "20240313", "20240316") + ";\ncommit;\n";

    double toolTotal = 0, baselineTotal = 0;
    for (int round = 0; round < 2; ++round) {
        BenchDatabase toolDb("realign_tool", seed);
        BenchDatabase scriptDb("realign_isql", seed);
        auto window = OpenWindow(toolDb.Name());
        double tool = 0, baseline = 0;
        if (round == 0) baseline = TimeIsqlScript(scriptDb.Name(), script, scriptDb.Path());
        tool = RunThroughWindow(*window, false, QDate(2024, 3, 13), QDate(2024, 3, 16));
        if (round == 1) baseline = TimeIsqlScript(scriptDb.Name(), script, scriptDb.Path());
        window->FormClose();
        Report(round == 0 ? "  realign, isql-fb first" : "  realign, tool first", tool, baseline,
               1.1);
        toolTotal += tool;
        baselineTotal += baseline;
    }
    Report("  realign, both rounds", toolTotal, baselineTotal, 1.1);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::string what = argc > 1 ? argv[1] : "all";
    const long rows = argc > 2 ? std::atol(argv[2]) : 50000;
    try {
        if (what == "move" || what == "all") BenchMove(rows);
        if (what == "log" || what == "all") BenchLog();
        if (what == "realign" || what == "all") BenchRealign(rows);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "datefix_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
