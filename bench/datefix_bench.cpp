// The sales date correction at the server's pace, on store databases built on the test server
// (POSFIX_TEST_SERVER, POSFIX_TEST_DATA). Every figure is a ratio of two runs in this process:
//
//  move     The single-date move of one day, started with the real window's start button
//           (offscreen, on the date page, with its move journal and its log of changes as the
//           installed tool runs), its backup included, against the server's own pace for the
//           same work on an identical copy: a backup through the service manager, then one
//           UPDATE per table (a commit after each) and one for the register. Forward (the wrong
//           date to the next day, the server first), then back again (the tool first). Three
//           set-ups: (1) an index on (Sal_Ymd, key) only in OS_ORDER and OS_MASTER, no earlier
//           days; (2) the same with earlier days; (3) an index in every table, earlier days.
//           Goal: ratio <= 3.0 in each, both ways. The tool's result is checked against the
//           server's, table by table: a difference is a goal missed.
//  scale    The tool's time, forward and back, with twice the day's sales in (1) and in (3)
//           (the earlier days as they were; goal <= 2.2 times the time) and with twice the
//           earlier days in (3) (goal <= 1.2 times the time). The goal is on the time without the
//           backups, which grow with the whole database; the ratio with them is printed too.
//  window   The window's share of the move: a day of about LOG_LINES log lines moved through the
//           real window against the same move with a window that only counts its lines (twice
//           each, in the order window, counted, counted, window; the backups left out), and the
//           CPU time of the window's thread during the move, which a busy machine takes from the
//           move. Goal: both <= 10% of the move. That CPU time is also set against the server's
//           own time for the same UPDATEs, the least any move of that day can take.
//  realign  The realignment of a day whose sales were stamped on the three days after it,
//           started with the window's button, against a backup and its twenty statements (a
//           commit after each) on a copy, in the three set-ups. Reported: it has no goal.
//
// Each database is built once (server-side loops) and copied for every measured run. The load
// average at the start and at the end tells whether other work shared the machine; repeat a run
// that was busy.
//
// Usage: datefix_bench [--sales N] [--days D] [--log-lines L] [--repeat R]
//                      [move] [scale] [window] [realign]
// (default: 1000 sales a day, 20 earlier days, 50000 lines, every part once). With R rounds each
// ratio takes each side's least time. The exit status is 1 when a run went wrong (an error box, a
// run that did not complete), not for a goal missed.
#include <time.h>

#include <QApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/MoveJournalFile.h"
#include "app/OperationTrace.h"
#include "bench/quiet_dialogs.h"
#include "bench/sales_databases.h"
#include "datefix/DatePage.h"
#include "datefix/SalesTables.h"
#include "form/WindowOps.h"

using Clock = std::chrono::steady_clock;
using bench::BenchDatabase;
using bench::StoreShape;

namespace {

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU time of the calling thread, or of the whole process (every thread of it).
double CpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " (1 min), " + five + " (5 min)";
}

QDate DateOf(const char* ymd) {
    return QDate::fromString(QString::fromLatin1(ymd), QStringLiteral("yyyyMMdd"));
}

// The goals met and missed, printed at the end.
struct Goal {
    std::string what;
    double value;
    double limit;
    bool percent;
};
std::vector<Goal> goals;

void Check(const std::string& what, double value, double limit, bool percent = false) {
    goals.push_back({what, value, limit, percent});
}

// Every dialog answered OK; an error box ends the benchmark.
QuietDialogs& BenchDialogs() {
    static QuietDialogs dialogs(true);
    return dialogs;
}

// Answers OK, counts the log lines and draws nothing: the move without the window's costs.
class CountingWindow : public form::WindowOps {
public:
    long lines = 0;
    std::string last;
    QuietDialogs progress;  // times the backup

    int SelectedIndex(form::ListBoxId) const override { return -1; }
    int ItemCount(form::ListBoxId) const override { return 0; }
    std::string ItemBytes(form::ListBoxId, int) const override { return {}; }
    void ClearItems(form::ListBoxId) override {}
    void AppendItem(form::ListBoxId, const std::string&) override {}
    bool IsChecked(form::RadioId radio) const override {
        return radio == form::RadioId::RadioButton3;
    }
    int Tag(form::RadioId radio) const override {
        return radio == form::RadioId::RadioButton3 ? 1 : 2;
    }
    form::DateTimeValue PickerValue(form::PickerId picker) const override {
        const QDate day =
            DateOf(picker == form::PickerId::dtChange01 ? bench::kWrongDate : bench::kTargetDate);
        return {day.year(), day.month(), day.day(), 10, 30, 0};
    }
    void SetPanelCaption(const std::string&) override {}
    void SetPanelVisible(bool) override {}
    void SetLabelCaption(form::LabelId, const std::string&) override {}
    void SetLabelAlignment(form::LabelId, form::Alignment) override {}
    void ClearLog() override { lines = 0; }
    void AppendLog(const std::string& line) override {
        ++lines;
        last = line;
    }
    void ShowProgress(const std::string& caption, int done, int total) override {
        progress.ShowProgress(caption, done, total);
    }
    void CloseProgress() override { progress.CloseProgress(); }
    int MessageDialog(const std::string&, form::DialogKind, form::DialogButtons) override {
        return form::kResultOk;
    }
};

// The window on one database, on the date page, with a move journal and a log of changes of its
// own, as the installed tool runs.
class BenchWindow {
public:
    explicit BenchWindow(const std::string& database)
        : journal_(files_.path()), trace_(files_.filePath(QStringLiteral("logs"))) {
        window_ = std::make_unique<app::TfmMain>(database, BenchDialogs());
        window_->State().moveJournal = &journal_;
        window_->SetTrace(&trace_);
        window_->ShowMain();
        window_->PageControl1->SetActivePageIndex(5);
        QApplication::processEvents();
    }
    ~BenchWindow() {
        window_->FormClose();
        window_.reset();
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    struct Run {
        double seconds = 0;    // the start button's handler, backup included
        double backup = 0;     // while the backup's progress dialog was open
        double windowCpu = 0;  // the window's thread
        double processCpu = 0;
        long lines = 0;
    };

    // Chooses the mode, sets both pickers and presses the start button. Two backups of one
    // database in one second would share a name: the tool waits for the next second then, which
    // a store never sees, so a run starts after the second in which the one before ended.
    Run Press(bool single, const char* first, const char* second) {
        const auto now = std::chrono::system_clock::now();
        if (now < lastEnd_ + std::chrono::seconds(1))
            QThread::usleep(
                static_cast<unsigned long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                               lastEnd_ + std::chrono::seconds(1) - now)
                                               .count()));
        (single ? window_->RadioButton3 : window_->RadioButton4)->setChecked(true);
        window_->dtChange01->SetDateTime(QDateTime(DateOf(first), QTime(10, 30)));
        window_->dtChange02->SetDateTime(QDateTime(DateOf(second), QTime(10, 30)));
        QApplication::processEvents();
        BenchDialogs().progressSeconds = 0;
        Run run;
        const double cpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const double processCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto start = Clock::now();
        window_->Button9->click();
        run.seconds = Seconds(start);
        lastEnd_ = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
        run.windowCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpu;
        run.processCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processCpu;
        run.backup = BenchDialogs().progressSeconds;
        const QStringList log = window_->memoChange->toPlainText().split(QLatin1Char('\n'));
        run.lines = log.size();
        const QString& last = log.last();
        if (!last.contains(QStringLiteral("정상 처리")))
            throw std::runtime_error("the run did not complete: " + last.toStdString());
        return run;
    }

private:
    QTemporaryDir files_;
    app::MoveJournalFile journal_;
    app::OperationTrace trace_;
    std::unique_ptr<app::TfmMain> window_;
    std::chrono::system_clock::time_point lastEnd_;
};

// Each shape's database is built once and copied for every run.
class Databases {
public:
    const BenchDatabase& Of(const StoreShape& shape) {
        std::unique_ptr<BenchDatabase>& built = built_[shape.Key()];
        if (!built) {
            const auto start = Clock::now();
            built = BenchDatabase::Build(shape);
            std::printf("  (database built in %.1f s)\n", Seconds(start));
        }
        return *built;
    }

private:
    std::map<std::string, std::unique_ptr<BenchDatabase>> built_;
};

// A tool's result that differs from the server's is a goal missed: a faster move must be the
// same move.
void Verify(const BenchDatabase& tool, const BenchDatabase& server, const std::string& what) {
    const std::string differ = bench::Differences(tool.Name(), server.Name());
    if (differ.empty()) return;
    std::printf("  the tool's result differs from the server's in %s\n", differ.c_str());
    goals.push_back(
        {what + ": the tool's result is the server's (it differs in " + differ + ")", 1, 0, false});
}

// The three set-ups.
const char* const kPlain = "(1) index only in OS_ORDER and OS_MASTER, no earlier days";
const char* const kHistory = "(2) index only in OS_ORDER and OS_MASTER, earlier days";
const char* const kIndexed = "(3) index in every table, earlier days";
const char* const kWays[] = {"forward", "back"};

// The tool's time forward and back, and the part of it its backups took.
struct MoveTimes {
    double seconds = 0;
    double backup = 0;
};

class Bench {
public:
    long sales = 1000;
    int days = 20;
    long logLines = 50000;
    int repeat = 1;

    StoreShape Plain() const { return {sales, 0, sales, false, false}; }
    StoreShape History() const { return {sales, days, sales, false, false}; }
    StoreShape Indexed() const { return {sales, days, sales, true, false}; }

    // The move of `shape` forward and back, through the window and at the server's pace; the
    // tool's times, measured once per shape.
    MoveTimes Move(const std::string& name, const StoreShape& shape, bool goal) {
        auto known = moved_.find(shape.Key());
        if (known != moved_.end()) return known->second;
        std::printf("\n%s: %s\n", name.c_str(), shape.Describe().c_str());
        const BenchDatabase& original = databases_.Of(shape);
        // The least time of each side over the rounds: the one least disturbed.
        const double none = std::numeric_limits<double>::infinity();
        double tool[2] = {none, none}, server[2] = {none, none}, toolBackup[2] = {0, 0};
        for (int round = 0; round < repeat; ++round) {
            std::unique_ptr<BenchDatabase> toolDb = original.Copy("tool");
            std::unique_ptr<BenchDatabase> serverDb = original.Copy("server");
            BenchWindow window(toolDb->Name());
            for (const int way : {0, 1}) {
                const bool forward = way == 0;
                const char* from = forward ? bench::kWrongDate : bench::kTargetDate;
                const char* to = forward ? bench::kTargetDate : bench::kWrongDate;
                const std::vector<std::string> statements = bench::TableMoveStatements(from, to);
                const std::string backup = serverDb->Path() + ".server.fbk";
                bench::Settle(serverDb->Name());
                bench::Settle(toolDb->Name());
                bench::ServerTimes paced;
                if (forward)
                    paced = bench::BackupAndStatements(serverDb->Name(), backup, statements);
                const BenchWindow::Run run = window.Press(true, from, to);
                if (!forward)
                    paced = bench::BackupAndStatements(serverDb->Name(), backup, statements);
                Verify(*toolDb, *serverDb, name + ", " + kWays[way]);
                std::printf(
                    "  %-8s tool %7.2f s (backup %.2f s, %ld log lines)   server %6.2f s (backup "
                    "%.2f s)   ratio %6.2f\n",
                    kWays[way], run.seconds, run.backup, run.lines, paced.total, paced.backup,
                    run.seconds / paced.total);
                if (run.seconds < tool[way]) {
                    tool[way] = run.seconds;
                    toolBackup[way] = run.backup;
                }
                server[way] = std::min(server[way], paced.total);
            }
        }
        for (const int way : {0, 1}) {
            if (repeat > 1)
                std::printf("  %-8s least of %d rounds: tool %.2f s, server %.2f s, ratio %.2f\n",
                            kWays[way], repeat, tool[way], server[way], tool[way] / server[way]);
            if (goal)
                Check(name + ", " + kWays[way] + ": tool / server", tool[way] / server[way], 3.0);
        }
        const MoveTimes times{tool[0] + tool[1], toolBackup[0] + toolBackup[1]};
        moved_[shape.Key()] = times;
        return times;
    }

    void MoveSetUps() {
        Move(kPlain, Plain(), true);
        Move(kHistory, History(), true);
        Move(kIndexed, Indexed(), true);
    }

    void Scale() {
        StoreShape twiceRows = Plain();
        twiceRows.daySales *= 2;
        Compare(kPlain, Plain(), "twice the day's sales in (1)", twiceRows, 2.2);
        twiceRows = Indexed();
        twiceRows.daySales *= 2;
        Compare(kIndexed, Indexed(), "twice the day's sales in (3)", twiceRows, 2.2);
        StoreShape twiceDays = Indexed();
        twiceDays.earlierDays *= 2;
        Compare(kIndexed, Indexed(), "twice the earlier days in (3)", twiceDays, 1.2);
    }

    void WindowShare() {
        StoreShape shape = Plain();
        shape.indexEveryTable = true;
        shape.daySales = logLines * 1000 / bench::RowsOfDay(1000);
        while (bench::RowsOfDay(shape.daySales) < logLines) ++shape.daySales;
        std::printf("\nthe window's share: %s\n", shape.Describe().c_str());
        const BenchDatabase& original = databases_.Of(shape);
        // Times added up over the runs: in the order A B B A, work that came and went on the
        // machine weighs on both sides alike.
        double window = 0, counted = 0, windowCpu = 0, windowProcessCpu = 0, countedProcessCpu = 0;
        for (int round = 0; round < repeat; ++round) {
            for (const bool throughWindow : {true, false, false, true}) {
                std::unique_ptr<BenchDatabase> copy = original.Copy("share");
                if (!throughWindow) {
                    const auto [seconds, processCpu] = CountedMove(copy->Name());
                    counted += seconds;
                    countedProcessCpu += processCpu;
                    continue;
                }
                BenchWindow tool(copy->Name());
                const BenchWindow::Run run =
                    tool.Press(true, bench::kWrongDate, bench::kTargetDate);
                const double seconds = run.seconds - run.backup;
                window += seconds;
                windowCpu += run.windowCpu;
                windowProcessCpu += run.processCpu;
                std::printf(
                    "  through the window   %7.2f s without its backup, process CPU %.2f s "
                    "(the window's thread %.2f s), %ld log lines\n",
                    seconds, run.processCpu, run.windowCpu, run.lines);
            }
        }
        const double share = (window - counted) / window * 100;
        const double cpuShare = windowCpu / window * 100;
        std::printf(
            "  the window's share of the move %.1f %%; its thread's CPU %.1f "
            "%% of the move; the process's CPU beyond the counted runs %.1f %% of the "
            "move\n",
            share, cpuShare, (windowProcessCpu - countedProcessCpu) / window * 100);
        // The least the move can take: whatever the tool's pace, the window costs no more than
        // this.
        std::unique_ptr<BenchDatabase> paced = original.Copy("share_server");
        const bench::ServerTimes server = bench::BackupAndStatements(
            paced->Name(), paced->Path() + ".server.fbk",
            bench::TableMoveStatements(bench::kWrongDate, bench::kTargetDate));
        std::printf(
            "  the window thread's CPU in one move %.2f s, %.1f %% of the server's own time "
            "for it without the backup (%.2f s)\n",
            windowCpu / (2 * repeat),
            windowCpu / (2 * repeat) / (server.total - server.backup) * 100,
            server.total - server.backup);
        Check("the window's share of the move", share, 10, true);
        Check("the window thread's CPU, share of the move", cpuShare, 10, true);
    }

    void Realign() {
        std::printf("\nrealignment of a day whose sales were made on the three days after it\n");
        std::vector<std::string> statements;
        for (const datefix::RealignTable& table : datefix::kRealignTables)
            statements.push_back(
                datefix::RealignSql(table, bench::kWrongDate, bench::kLastMisdated));
        double toolTotal = 0, serverTotal = 0;
        int round = 0;
        for (const auto& [name, base] : {std::pair{kPlain, Plain()}, std::pair{kHistory, History()},
                                         std::pair{kIndexed, Indexed()}}) {
            StoreShape shape = base;
            shape.misdated = true;
            const BenchDatabase& original = databases_.Of(shape);
            for (int again = 0; again < repeat; ++again) {
                std::unique_ptr<BenchDatabase> toolDb = original.Copy("realign_tool");
                std::unique_ptr<BenchDatabase> serverDb = original.Copy("realign_server");
                BenchWindow window(toolDb->Name());
                const std::string backup = serverDb->Path() + ".server.fbk";
                const bool serverFirst = round++ % 2 == 0;
                bench::ServerTimes server;
                if (serverFirst)
                    server = bench::BackupAndStatements(serverDb->Name(), backup, statements);
                const BenchWindow::Run tool =
                    window.Press(false, bench::kWrongDate, bench::kLastMisdated);
                if (!serverFirst)
                    server = bench::BackupAndStatements(serverDb->Name(), backup, statements);
                Verify(*toolDb, *serverDb, std::string("realignment, ") + name);
                std::printf(
                    "  %s\n    tool %6.2f s (backup %.2f s)   server %6.2f s (backup "
                    "%.2f s)   ratio %5.2f\n",
                    name, tool.seconds, tool.backup, server.total, server.backup,
                    tool.seconds / server.total);
                toolTotal += tool.seconds;
                serverTotal += server.total;
            }
        }
        std::printf("  realignment, all runs: ratio %.2f (reported, no goal)\n",
                    toolTotal / serverTotal);
    }

private:
    void Compare(const char* baseName, const StoreShape& base, const std::string& what,
                 const StoreShape& larger, double limit) {
        const MoveTimes a = Move(baseName, base, true);
        const MoveTimes b = Move(what, larger, false);
        // The backup grows with the whole database, the server's own pace with it: the goal is
        // on the move itself.
        const double ratio = (b.seconds - b.backup) / (a.seconds - a.backup);
        std::printf(
            "  %s: the tool's time without its backups %.2f s against %.2f s, ratio %.2f "
            "(goal <= %.1f); with them %.2f\n",
            what.c_str(), b.seconds - b.backup, a.seconds - a.backup, ratio, limit,
            b.seconds / a.seconds);
        Check(what + ": time ratio without the backups", ratio, limit);
    }

    // The move with a window that draws nothing: its seconds without the backup, and the
    // process's CPU time.
    std::pair<double, double> CountedMove(const std::string& database) {
        CountingWindow counting;
        QTemporaryDir files;
        app::MoveJournalFile journal(files.path());
        form::FormState state(counting, database);
        state.moveJournal = &journal;
        state.IBDatabase1.Connect();
        const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto start = Clock::now();
        datefix::Button9Click(state);
        const double seconds = Seconds(start) - counting.progress.progressSeconds;
        const double processCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu;
        state.IBDatabase1.Disconnect();
        if (counting.last.find("정상 처리") == std::string::npos)
            throw std::runtime_error("the move without the window did not complete: " +
                                     counting.last);
        std::printf(
            "  lines counted only   %7.2f s without its backup, process CPU %.2f s, %ld log "
            "lines\n",
            seconds, processCpu, counting.lines);
        return {seconds, processCpu};
    }

    Databases databases_;
    std::map<std::string, MoveTimes> moved_;
};

long Number(int& i, int argc, char** argv) {
    if (i + 1 >= argc) throw std::runtime_error(std::string(argv[i]) + " needs a number");
    const long value = std::atol(argv[++i]);
    if (value < 1) throw std::runtime_error(std::string(argv[i - 1]) + " needs a number >= 1");
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line as it comes, also into a file
    Bench run;
    std::set<std::string> parts;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--sales")
                run.sales = Number(i, argc, argv);
            else if (arg == "--days")
                run.days = static_cast<int>(Number(i, argc, argv));
            else if (arg == "--log-lines")
                run.logLines = Number(i, argc, argv);
            else if (arg == "--repeat")
                run.repeat = static_cast<int>(Number(i, argc, argv));
            else if (arg == "move" || arg == "scale" || arg == "window" || arg == "realign")
                parts.insert(arg);
            else
                throw std::runtime_error("unknown argument " + arg);
        }
        if (parts.empty()) parts = {"move", "scale", "window", "realign"};
        std::printf("sales date benchmark: %ld sales a day, %d earlier days; load average %s\n",
                    run.sales, run.days, LoadAverage().c_str());
        if (parts.count("move")) run.MoveSetUps();
        if (parts.count("scale")) run.Scale();
        if (parts.count("window")) run.WindowShare();
        if (parts.count("realign")) run.Realign();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "datefix_bench: %s\n", e.what());
        return 1;
    }
    std::printf("\nload average at the end %s\ngoals:\n", LoadAverage().c_str());
    int failed = 0;
    for (const Goal& goal : goals) {
        const bool met = goal.value <= goal.limit;
        failed += met ? 0 : 1;
        if (goal.limit == 0)  // a check, not a figure
            std::printf("  FAIL  %s\n", goal.what.c_str());
        else
            std::printf("  %s  %s: %.2f%s (<= %.1f%s)\n", met ? "PASS" : "FAIL", goal.what.c_str(),
                        goal.value, goal.percent ? " %" : "", goal.limit, goal.percent ? " %" : "");
    }
    std::printf("%d of %zu goals met\n", static_cast<int>(goals.size()) - failed, goals.size());
    return 0;
}
