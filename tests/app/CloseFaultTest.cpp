// The window on a stand-in client library whose calls fail or are slow on request: closing when
// disconnecting fails, and "취소" while a check before a change waits on the server. Its own
// executable, because a loaded client library stays for the process.
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>

#include "app/MoveJournalFile.h"
#include "app/TerminationSignals.h"
#include "form/Cp949.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/FaultyClientControl.h"
#include "tests/support/TestDatabase.h"

namespace {

// A failure quoting a stored Korean value reaches the error box readable; a failed disconnect is
// shown and keeps the window open; closing again rolls back the work left in IBTransaction1.
TEST(CloseFaultTest, AFailedDisconnectIsShownKeepsTheWindowOpenAndClosingCanBeRetried) {
    testing_support::UseFaultyClient();
    testing_support::TestDatabase database;
    database.ExecAll({"INSERT INTO SS_MASTER (POS_NO) VALUES ('02')",
                      "INSERT INTO SS_MASTER (POS_NO) VALUES ('01')",
                      "INSERT INTO TI_MASTER (TBL_NO, TBL_NM, GRP_NO, GRP_MST_YN) VALUES ('T7', '" +
                          form::Utf8ToCp949("창가 7") + "', 'G1', 'Y')"});
    app_testing::DialogRecorder recorder;
    auto window = app_testing::OpenWindow(database.Name(), recorder);
    QSignalSpy closed(window.get(), &app::TfmMain::Closed);
    EXPECT_EQ(app_testing::ListTexts(*window, form::ListBoxId::ListBox1),
              std::vector<std::string>({"01", "02"}));
    form::FormState& state = window->State();
    window->RunHandler(
        [&] { state.IBQuery1.OpenQuery("select cast(tbl_nm as integer) n from ti_master"); });
    state.IBQuery1.ExecuteSql("delete from ss_master");
    ASSERT_TRUE(state.IBTransaction1.InTransaction());

    testing_support::FailNextDetaches(1);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(
        recorder.errorBoxes,
        std::vector<std::string>({"conversion error from string \"창가 7\"",
                                  "cannot disconnect database with open transactions (1 active)"}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(state.IBDatabase1.IsConnected());
    EXPECT_EQ(state.TableNoList, std::vector<std::string>{"T7"});

    EXPECT_TRUE(window->close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(state.IBDatabase1.IsConnected());
    EXPECT_TRUE(state.TableNoList.empty());
    EXPECT_EQ(database.Count("ss_master"), 2);
    EXPECT_EQ(recorder.events.size(), 2u);
}

// "취소" in the wait dialog while the check for other programs attached waits on the server (a
// slow fetch): the payment mode stays, no question or box follows, and the trace tells the wait,
// its cancel and the failure. Then a backup whose output ends early refuses the change, a
// completed date move is traced so despite a warning, and a stop during a wait as a failure.
TEST(CancelledCheck, CancelDuringTheLookupOfOtherProgramsChangesNothingAndAsksNothing) {
    testing_support::UseFaultyClient();
    testing_support::TestDatabase database;
    database.ExecAll(
        {"insert into ss_master (pos_no) values ('01')",
         "insert into ss_option_pos (op_pos_no, op_idx, op_set_yn) values ('01', '002', 'N')"});
    QTemporaryDir files;
    app::OperationTrace trace(files.path(),
                              [] { return QDateTime(QDate(2024, 3, 14), QTime(10, 5, 9)); });
    app_testing::DialogRecorder recorder;
    auto window = app_testing::OpenWindow(database.Name(), recorder);
    window->SetTrace(&trace);
    app_testing::SelectRow(*window, form::ListBoxId::ListBox1, 0);
    window->RadioButton2->setChecked(true);  // 후불제

    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (app::TWaitForm* wait = window->WaitForm()) wait->CancelButton()->click();
    });
    cancel.start(50);
    testing_support::SlowNextFetch(60000);
    app_testing::Click(*window, QStringLiteral("Button1"));

    EXPECT_EQ(testing_support::SlowCallsCancelled(), 1);
    EXPECT_TRUE(recorder.events.empty()) << recorder.events.front();
    EXPECT_EQ(database.Count("ss_option_pos", "op_set_yn = 'N'"), 1);
    QFile file(trace.FileOf(QDate(2024, 3, 14)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll())
                  .replace(QStringLiteral("2024-03-14 10:05:09 선후불변경 "), QString())
                  .replace(QRegularExpression(QStringLiteral("\\([0-9]+초\\)")), "(N초)")
                  .toStdString(),
              "대기: DB 작업이 끝나기를 기다리고 있습니다. (N초)\n대기 취소 (N초)\n실패\n");

    // The lookup refused by the server, and a backup whose output ends without the size written:
    // each refuses the change with a warning.
    cancel.stop();
    testing_support::FailNextFetch();
    app_testing::Click(*window, QStringLiteral("Button1"));
    testing_support::EndBackupOutputAfter(3);
    app_testing::Click(*window, QStringLiteral("Button1"));
    ASSERT_EQ(recorder.dialogs.size(), 2u);
    EXPECT_EQ(recorder.dialogs[0].text,
              "다른 프로그램의 DB 연결 여부를 확인할 수 없어 작업을 진행하지 않습니다.\r\n"
              "refused by the stand-in");
    EXPECT_EQ(recorder.dialogs[1].text.rfind("DB 백업에 실패하여 작업을 진행하지 않습니다.\r\n", 0),
              0u)
        << recorder.dialogs[1].text;
    EXPECT_EQ(database.Count("ss_option_pos", "op_set_yn = 'N'"), 1);

    // A completed date move whose journal stays ends "완료", after the warning on it.
    struct Unremovable : app::MoveJournalFile {
        using MoveJournalFile::MoveJournalFile;
        bool RemoveFile(const QString&) override { return false; }
    } stuck(files.path());
    window->State().moveJournal = &stuck;
    window->RadioButton3->setChecked(true);
    window->dtChange02->SetDateTime(window->dtChange01->DateTime().addDays(1));
    window->Button9->click();
    EXPECT_EQ(recorder.dialogs.back().text.rfind("매출일자 변경 기록을 지울 수 없습니다.", 0), 0u);
    EXPECT_TRUE(file.readAll().endsWith(" 완료\n"));

    // SIGTERM while the switch waits on the option row another program holds: its failure box is
    // never shown, and the trace ends with the wait cancelled and "실패".
    testing_support::IsqlHolder holder(database, "update ss_option_pos set op_set_yn = 'N'");
    app::TerminationSignals ending;
    QTimer stop;
    QObject::connect(&stop, &QTimer::timeout, [&] {
        if (window->WaitForm()) std::raise(SIGTERM);
    });
    stop.start(50);
    app_testing::Click(*window, QStringLiteral("Button1"));
    EXPECT_TRUE(QString::fromUtf8(file.readAll())
                    .contains(QRegularExpression(
                        QStringLiteral("대기 취소 \\(\\d+초\\)\n.{20}선후불변경 실패\n$"))));
}

}  // namespace
