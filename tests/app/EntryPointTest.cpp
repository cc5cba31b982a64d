// The entry point as the shell starts it: Qt's own command-line options are given and must have
// no effect, and the shell's locale (ctest runs this program with LC_ALL=C and with no locale
// set at all) must not change the Korean texts or the code page 949 bytes; a termination signal
// ends it in order. The entry point makes the one QApplication of the process, so this program
// has its own main and ctest runs one test per process.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "form/Cp949.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/FaultyClientControl.h"
#include "tests/support/TestDatabase.h"

namespace {

using form::ListBoxId;

// Runs the tool on the database with the recorder's dialogs and the given arguments; onShown
// runs once the window is shown. Returns the exit code.
int RunTool(const std::string& databaseName, app::Dialogs& dialogs,
            std::function<void(app::TfmMain&)> onShown,
            std::vector<std::string> args = {"posfix"}) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    app::StartOptions options;
    options.databaseName = databaseName;
    options.dialogs = &dialogs;
    options.onShown = std::move(onShown);
    return app::RunApplication(static_cast<int>(args.size()), argv.data(), options);
}

// A watchdog: a tool still running long after SIGTERM fails the test and is ended.
void FailIfStillRunningAfter(int milliseconds) {
    QTimer::singleShot(milliseconds, qApp, [] {
        ADD_FAILURE() << "the tool went on running after SIGTERM";
        QCoreApplication::exit(0);
    });
}

long long OtherAttachments(testing_support::TestDatabase& database) {
    return database.Count("mon$attachments",
                          "mon$attachment_id <> current_connection and mon$system_flag = 0");
}

TEST(EntryPoint, IgnoresQtOptionsAndTheShellLocale) {
    testing_support::TestDatabase database;
    database.ExecAll({"INSERT INTO TI_MASTER (TBL_NO, TBL_NM, GRP_NO, GRP_MST_YN) VALUES ('T7', '" +
                      form::Utf8ToCp949("창가 7") + "', 'G1', 'Y')"});
    const std::string styleSheet = testing::TempDir() + "posfix_entry_test.qss";
    std::ofstream(styleSheet) << "QWidget { background: red; }\n";
    app_testing::DialogRecorder recorder;
    bool shown = false;
    const auto onShown = [&](app::TfmMain& window) {
        shown = true;
        EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
        EXPECT_TRUE(qApp->styleSheet().isEmpty());
        EXPECT_EQ(window.windowTitle(), QStringLiteral("POS 데이터 변경(관리자)"));
        EXPECT_EQ(window.PageControl1->TabCaption(3), QStringLiteral("상품별인쇄설정 누락"));
        EXPECT_EQ(window.Label8->text(), QStringLiteral("* 반드시 메인DB 백업 후 작업하세요 *"));
        EXPECT_EQ(app_testing::ListTexts(window, ListBoxId::ListBox2),
                  std::vector<std::string>{"창가 7"});
        EXPECT_EQ(window.ItemBytes(ListBoxId::ListBox2, 0), form::Utf8ToCp949("창가 7"));
        window.Button2->click();
    };
    EXPECT_EQ(RunTool(database.Name(), recorder, onShown,
                      {"posfix", "-reverse", "-stylesheet", styleSheet}),
              0);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(recorder.events.empty()) << recorder.events.front();
    // The start's line names the client library by the file this process maps (no link left).
    const QDir logs(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/posfix/logs"));
    QFile log(logs.filePath(logs.entryList({QStringLiteral("posfix-*.log")}).value(0)));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    const auto line = QRegularExpression(QStringLiteral("^[-0-9]{10} [:0-9]{8}  시작: 클라이언트 "
                                                        "(/.*/libfbclient[^/]*)\\n\\z"))
                          .match(text);
    ASSERT_TRUE(line.hasMatch()) << text.toStdString();
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_TRUE(maps.readAll().contains((' ' + line.captured(1) + '\n').toUtf8()));
}

// SIGTERM, as when the session ends: the tool ends in order instead of losing its attachment
// under a running window (the client library's own reaction), its uncommitted work is discarded
// and the signal's handler is given back.
TEST(EntryPoint, ATerminationSignalEndsTheToolInOrder) {
    testing_support::TestDatabase database;
    database.ExecAll({"INSERT INTO SS_MASTER (POS_NO) VALUES ('01')"});
    app_testing::DialogRecorder recorder;
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    EXPECT_EQ(RunTool(database.Name(), recorder,
                      [](app::TfmMain& window) {
                          window.State().IBQuery1.ExecuteSql("DELETE FROM SS_MASTER");
                          FailIfStillRunningAfter(10000);
                          kill(getpid(), SIGTERM);
                      }),
              0);
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler) << "the signal was not given back";
    EXPECT_EQ(database.Count("SS_MASTER"), 1);
    EXPECT_EQ(OtherAttachments(database), 0);
    EXPECT_TRUE(recorder.events.empty()) << recorder.events.front();
}

// Starts the tool on the stand-in client library and, once its window is shown, runs `act` with a
// SIGTERM sent from a thread of its own as soon as a slow call of the stand-in has begun. The tool
// must end with code 0, however long the slow call would have taken.
void SignalDuringSlowCallOf(testing_support::TestDatabase& database,
                            app_testing::DialogRecorder& recorder,
                            const std::function<void(app::TfmMain&)>& act) {
    EXPECT_EQ(RunTool(database.Name(), recorder,
                      [&](app::TfmMain& window) {
                          FailIfStillRunningAfter(10000);
                          std::atomic<bool> stop{false};
                          std::thread signal([&] {
                              while (!stop && testing_support::SlowCallsStarted() == 0)
                                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
                              if (!stop) kill(getpid(), SIGTERM);
                          });
                          act(window);
                          stop = true;
                          signal.join();
                      }),
              0);
}

// The signal while the group list loads slowly (a query the server takes long to answer): the
// load is cancelled at once, no box is shown, its transaction is rolled back and the tool ends.
TEST(EntryPoint, ATerminationSignalDuringASlowListLoadEndsTheToolInOrder) {
    testing_support::UseFaultyClient();
    testing_support::TestDatabase database;
    database.ExecAll(
        {"INSERT INTO TI_MASTER (TBL_NO, TBL_NM, GRP_NO, GRP_MST_YN) VALUES "
         "('T7', 'A', 'G1', 'Y')"});
    app_testing::DialogRecorder recorder;
    int rollbacksBefore = -1;
    SignalDuringSlowCallOf(database, recorder, [&](app::TfmMain& window) {
        rollbacksBefore = testing_support::RollbacksSent();
        testing_support::SlowNextFetch(60000);
        window.Button4->click();  // 검색
    });
    EXPECT_EQ(testing_support::SlowCallsCancelled(), 1);
    EXPECT_GT(testing_support::RollbacksSent(), rollbacksBefore);
    EXPECT_EQ(OtherAttachments(database), 0);
    EXPECT_TRUE(recorder.events.empty()) << recorder.events.front();
}

// The signal while the backup before the table lock removal runs long (its output stalls for a
// minute): the backup is left at once, nothing is changed and no box follows the question.
TEST(EntryPoint, ATerminationSignalDuringASlowBackupChangesNothing) {
    testing_support::UseFaultyClient();
    testing_support::TestDatabase database;
    database.ExecAll(
        {"insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('1', '1', '01')"});
    app_testing::DialogRecorder recorder;
    SignalDuringSlowCallOf(database, recorder, [](app::TfmMain& window) {
        testing_support::StallNextBackup(300);
        window.Button6->click();  // 전체 테이블 락 제거
    });
    EXPECT_EQ(database.Rows("select tbl_no, lock_sw, pos_no from os_table_lock"),
              (std::vector<std::vector<std::string>>{{"1", "1", "01"}}));
    EXPECT_EQ(recorder.events,
              std::vector<std::string>{"dialog: 테이블 락 제거 진행하시겠습니까?"});
}

// The signal while the window detaches on closing: the detach is not cut short and the tool still
// ends in order.
TEST(EntryPoint, ATerminationSignalDuringTheDetachEndsTheToolInOrder) {
    testing_support::UseFaultyClient();
    testing_support::TestDatabase database;
    app_testing::DialogRecorder recorder;
    bool closed = false;
    SignalDuringSlowCallOf(database, recorder, [&](app::TfmMain& window) {
        QObject::connect(&window, &app::TfmMain::Closed, [&] { closed = true; });
        testing_support::SlowNextDetach(1000);
        window.Button2->click();  // 종료
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(testing_support::SlowCallsStarted(), 1);
    EXPECT_EQ(testing_support::SlowCallsCancelled(), 0);
    EXPECT_EQ(OtherAttachments(database), 0);
    EXPECT_TRUE(recorder.events.empty()) << recorder.events.front();
}

// The same signal while the box of a failed connection is open, before the event loop runs: it
// ends the box, no further dialog is shown and the loop is never entered.
TEST(EntryPoint, ATerminationSignalDuringTheFailureBoxEndsTheTool) {
    struct SignalInBox : app_testing::DialogRecorder {
        void ShowErrorBox(const std::string& text) override {
            DialogRecorder::ShowErrorBox(text);
            FailIfStillRunningAfter(10000);
            kill(getpid(), SIGTERM);
            QCoreApplication::processEvents();  // as the box's own loop would
        }
    } recorder;
    EXPECT_EQ(RunTool(app_testing::kNoServer, recorder,
                      [](app::TfmMain&) { ADD_FAILURE() << "the event loop ran"; }),
              0);
    EXPECT_EQ(recorder.errorBoxes.size(), 1u);
    EXPECT_TRUE(recorder.dialogs.empty()) << recorder.dialogs.front().text;
}

}  // namespace

int main(int argc, char** argv) {
    // The tool's files go to a folder of this process, not the user's own.
    const QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
