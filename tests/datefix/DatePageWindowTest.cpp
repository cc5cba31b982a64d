// The date correction page through the real window, offscreen, with the mouse and real dialogs.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "app/MainWindow.h"
#include "app/MoveJournalFile.h"
#include "app/OperationTrace.h"
#include "form/Cp949.h"
#include "form/OperationRunner.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/MouseDialogDriver.h"
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

using DialogClicker = app_test::MouseDialogDriver;
using app_testing::LogLines;

// Shows the window on its last page, the date correction.
void ShowDatePage(app::TfmMain& window) {
    window.ShowMain();
    window.PageControl1->SetActivePageIndex(window.PageControl1->PageCount() - 1);
}

void SetDates(app::TfmMain& window, const QDate& first, const QDate& second) {
    window.dtChange01->SetDateTime(QDateTime(first, QTime(9, 15)));
    window.dtChange02->SetDateTime(QDateTime(second, QTime(9, 15)));
}

// The log stays until a run is confirmed; the pickers' dates reach the move as in the single-date
// case below.
TEST(DatePageWindow, RealignmentFromTheMouse) {
    TestDatabase db;
    app::TfmMain window(db.Name());
    ShowDatePage(window);
    window.memoChange->setPlainText(QStringLiteral("previous run"));
    QTest::mouseClick(window.RadioButton4, Qt::LeftButton);
    ASSERT_TRUE(window.pblGroup->isVisible());
    EXPECT_EQ(window.lbChange01->text().toStdString(), "일자선택");
    EXPECT_TRUE(window.lbChange02->alignment() & Qt::AlignRight);
    SetDates(window, QDate(2024, 3, 13), QDate(2024, 3, 16));
    for (const bool confirm : {false, true}) {
        DialogClicker clicker({confirm, true});
        QTest::mouseClick(window.Button9, Qt::LeftButton);
        EXPECT_EQ(clicker.Texts().size(), confirm ? 2u : 1u);
        EXPECT_EQ(clicker.unexpected, 0);
        EXPECT_EQ(LogLines(window) == Lines{"previous run"}, !confirm);
    }
    EXPECT_EQ(LogLines(window).front(), kRealignStart);
    EXPECT_EQ(LogLines(window).back(), kRealignOk);
    window.FormClose();
}

// Killed while its move waits on a held row of table 5, the tool's trace stands up to that row;
// started again, it warns, asks to go on and completes the move from the mouse.
TEST(DatePageWindow, KilledMoveGoesOnAfterTheQuestion) {
    TestDatabase db;
    SeedThreeSales(db);
    QTemporaryDir files;
    const QString journalDir = files.filePath("journal"), traceDir = files.filePath("logs");
    {
        HeldRows held(db.Name(),
                      "update OS_PAY set PAY_AMT = 77 where SAL_YMD = '20240313' and SAL_SEQ = 2");
        MoveChild child("window", db.Name(), journalDir.toStdString(), traceDir.toStdString(),
                        "20240313", "20240314");
        ASSERT_TRUE(SeeWaitingStatement(db, "update os_pay "));
        // The lines before the wait are traced within one tick of the window's loop.
        QThread::msleep(3 * form::OperationRunner::kTickMs);
        child.Kill();
        held.Release();
    }
    QFile traceFile(app::OperationTrace(traceDir).FileOf(QDate::currentDate()));
    ASSERT_TRUE(traceFile.open(QIODevice::ReadOnly));
    const QStringList trace = QString::fromUtf8(traceFile.readAll()).split(QLatin1Char('\n'));
    // Both questions, the start and backup lines, tables 1 to 4 (none of OS_PAY, which waited)
    // and the empty text after the last line break.
    ASSERT_EQ(trace.size(), 2 + 2 + 3 * 4 + 1) << trace.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(trace[1].mid(20).toStdString(), "매출일자 변경 매출일자 변경 진행하시겠습니까? → OK");
    EXPECT_EQ(trace[trace.size() - 2].mid(20).toStdString(),
              "매출일자 변경 OS_MASTER->3 - 2024-03-14");

    const SalesState stopped = Capture(db);
    app::MoveJournalFile journal(journalDir);
    app::TfmMain window(db.Name());
    window.State().moveJournal = &journal;
    ShowDatePage(window);
    EXPECT_FALSE(window.pblGroup->isVisible());
    {
        DialogClicker told({true});
        window.WarnOfStoppedMove();  // as the tool does once its window is up
        EXPECT_EQ(told.Texts(), Lines{kSplit});
    }
    QTest::mouseClick(window.RadioButton3, Qt::LeftButton);
    ASSERT_TRUE(window.pblGroup->isVisible());
    EXPECT_EQ(window.pblGroup->Caption().toStdString(), "");
    EXPECT_EQ(window.lbChange01->text().toStdString(), "잘못되어있는 일자");
    EXPECT_TRUE(window.lbChange02->alignment() & Qt::AlignLeft);
    SetDates(window, QDate(2024, 3, 13), QDate(2024, 3, 14));
    DialogClicker clicker({true, true, true});
    QTest::mouseClick(window.Button9, Qt::LeftButton);
    ASSERT_EQ(clicker.shown.size(), 3u);
    EXPECT_TRUE(clicker.errorBoxes.empty());
    EXPECT_EQ(clicker.shown[1].caption, "Confirm");
    EXPECT_EQ(
        clicker.shown[1].text,
        "20240313 → 20240314 매출일자 변경이 중간에 중단되었습니다. 이어서 진행하시겠습니까?");
    EXPECT_EQ(clicker.shown[1].buttons, "OK   Cancel   ");
    EXPECT_EQ(clicker.shown[2].text, "완료.");
    // The backup made right before the first change holds the sales as they were.
    const std::vector<std::string> log = LogLines(window);
    ASSERT_EQ(log.size(), 1u + 1 + 3 * 16 + 2);
    ASSERT_EQ(db.BackupFiles().size(), 2u);
    const std::string backup = db.BackupFiles().back();
    EXPECT_EQ(Lines(log.begin(), log.begin() + 3),
              Lines({kSingleStart, BackupLine(backup), "OS_PAY->1 - 2024-03-14"}));
    ExpectSameSales(stopped, Capture(TestDatabase(backup)));
    EXPECT_EQ(log.back(), kSingleOk);
    EXPECT_FALSE(journal.Find(db.Name()));
    window.FormClose();
}

// A journal's keys come back as written, whatever their bytes: control bytes and "%" escaped,
// code page 949 bytes as they are.
TEST(MoveJournalFile, KeysComeBackAsWrittenAndAMarkedJournalAsCompleted) {
    QTemporaryDir dir;
    app::MoveJournalFile journal(dir.path());
    const std::string database = "localhost/1:/data/zurn%1.fdb";
    const form::MoveJournalEntry entry{
        "20240313",
        "20240314",
        "2024-03-14 09:15:00",
        {{"OS_ORDER", "%1\t2", "7\n"},
         {"OS_PAY", "\xB0\xA1-3%", ""},
         {"CS_MASTER", "12", ""},
         {"OC_REGISTER", "", "", std::string("\0\x01\xAB\xFF\0\0\0\x10", 8)}},
        "C:\\POS\\DB\\zurn-20240314-091500.fbk"};
    ASSERT_TRUE(journal.Write(database, entry));
    const std::optional<form::MoveJournalEntry> read = journal.Find(database);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->rows, entry.rows);
    EXPECT_EQ(read->startTime, entry.startTime);
    EXPECT_EQ(read->backup, entry.backup);
    QFile file(journal.FileOf(database));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("\nrow\tOS_ORDER\t%251%092\t7%0A\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nrow\tOS_PAY\t\xB0\xA1-3%25\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\ndatabase\tlocalhost/1:/data/zurn%251.fdb\n"));
    EXPECT_TRUE(text.contains("\nrow\tOC_REGISTER\t\t\t0001ABFF00000010\n"));
    file.close();

    // Added rows are appended; a last line that a crash cut short is not read.
    form::MoveJournalEntry grown = entry;
    grown.rows.push_back({"OS_PAY", "4\t", "", "\x7F\x80\x01\x02\x03\x04\x05\x06"});
    ASSERT_TRUE(journal.Append(database, grown, {grown.rows.back()}));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("row\tOS_PAY\t5");
    file.close();
    EXPECT_EQ(journal.Find(database)->rows, grown.rows);

    // Added rows that cannot reach the disk fail the append: here the journal is the full device.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), journal.FileOf("full")));
    EXPECT_FALSE(journal.Append("full", grown, {grown.rows.back()}));

    // A completed move's journal that stays is marked (beside it, or in a folder in the marker's
    // place) and reads as completed until its bytes change.
    struct Stuck : app::MoveJournalFile {
        using MoveJournalFile::kRemoveTries;
        using MoveJournalFile::MoveJournalFile;
        int removals = 0;
        bool syncFails = false;
        bool RemoveFile(const QString&) override { return ++removals < 0; }  // never
        void PauseBeforeRetry() override {}
        bool SyncFolder(const QString& folder) override {
            return !syncFails && MoveJournalFile::SyncFolder(folder);
        }
    } stuck(dir.path());
    form::MoveJournalEntry found;
    const QString marker = journal.FileOf(database).chopped(4) + ".done";
    ASSERT_TRUE(QDir().mkdir(marker));
    EXPECT_FALSE(stuck.Remove(database));  // "done" after the line cut short
    EXPECT_EQ(journal.Read(database, found), form::JournalState::Completed);
    ASSERT_TRUE(QDir().rmdir(marker) && stuck.Write(database, grown));
    EXPECT_FALSE(stuck.Remove(database));
    EXPECT_EQ(journal.Read(database, found), form::JournalState::Completed);
    ASSERT_TRUE(stuck.Append(database, grown, {{"OS_PAY", "9", ""}}));
    EXPECT_EQ(journal.Read(database, found), form::JournalState::Found);
    EXPECT_EQ(stuck.removals, 2 * Stuck::kRemoveTries);
    stuck.syncFails = true;  // a replacement whose folder entry may not be on disk fails
    EXPECT_FALSE(stuck.Write(database, entry));

    // An address that is not 16 hex digits makes a journal unreadable, and none is written.
    for (const QByteArray address : {"000000000000001G", "0000000000000010F"}) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text + "row\tOS_PAY\t1\t\t" + address + "\n");
        file.close();
        EXPECT_EQ(journal.Read(database, found), form::JournalState::Unreadable) << address.data();
    }
    grown.rows.back().dbKey.pop_back();
    EXPECT_FALSE(journal.Write(database, grown));

    // Names that differ only where a file name cannot hold them keep files of their own.
    ASSERT_TRUE(journal.Write("h:/a/b", {"20240101", "20240102", "", {{"OS_PAY", "1", ""}}, ""}));
    ASSERT_TRUE(journal.Write("h:/a:b", {"20240103", "20240104", "", {}, ""}));
    EXPECT_EQ(journal.Find("h:/a/b")->wrongDate, "20240101");
    EXPECT_EQ(journal.Find("h:/a:b")->wrongDate, "20240103");
}

// Each changing operation traces its dialogs with the button chosen, its backup, the date page's
// lines and its end; a trace that cannot be written is reported once and stops nothing.
TEST(OperationTrace, DialogsLinesAndTheEndOfEachOperation) {
    TestDatabase db;
    SeedThreeSales(db);
    db.ExecAll({"insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('5', '1', '11')",
                "insert into ti_master (tbl_no, tbl_nm, grp_no, grp_mst_yn, grp_set_sw) values "
                "('T1', '" +
                    form::Utf8ToCp949("창가") + "', '7', 'Y', '1')",
                "insert into ss_master (pos_no) values ('01')"});
    FailUpdatesOf(db, "os_table_lock");
    QTemporaryDir files;
    const auto clock = [] { return QDateTime(QDate(2024, 3, 14), QTime(10, 5, 9)); };
    app::OperationTrace trace(files.path(), clock);
    app_testing::DialogRecorder dialogs;
    app::TfmMain window(db.Name(), dialogs);
    window.SetTrace(&trace);
    window.ShowMain();

    app_testing::Click(window, QStringLiteral("Button6"));  // fails: its warning
    app_testing::SelectRow(window, form::ListBoxId::ListBox2, 0);
    app_testing::Click(window, QStringLiteral("Button3"));
    app_testing::Click(window, QStringLiteral("Button4"));  // reads only
    window.PageControl1->SetActivePageIndex(window.PageControl1->PageCount() - 1);
    window.RadioButton3->setChecked(true);
    SetDates(window, QDate(2024, 3, 13), QDate(2024, 3, 12));
    dialogs.answers = {form::kResultCancel};
    window.Button9->click();
    window.Button9->click();  // refused without a dialog: 20240312 has sales
    db.Exec("alter table OS_MASTER drop UPD_DT");
    window.RadioButton4->setChecked(true);
    window.Button9->click();  // the span cannot be read: an error box, no end line
    ASSERT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_NE(dialogs.errorBoxes[0].find("UPD_DT"), std::string::npos) << dialogs.errorBoxes[0];
    EXPECT_TRUE(window.isEnabled());

    QFile file(files.filePath("posfix-2024-03-14.log"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 20) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines.takeLast().isEmpty());
    std::vector<std::string> texts;
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("2024-03-14 10:05:09 "))) << line.toStdString();
        texts.push_back(line.mid(20).toStdString());
    }
    EXPECT_EQ(texts[17],
              "매출일자 변경 " + QString::fromStdString(dialogs.errorBoxes[0])
                                     .replace(QStringLiteral("\r\n"), QStringLiteral(" / "))
                                     .toStdString());
    texts[17] = "error box";
    const std::vector<std::string> backups = db.BackupFiles();
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "테이블 락 제거 테이블 락 제거 진행하시겠습니까? → OK",
                         "테이블 락 제거 " + BackupLine(backups[0]),
                         "테이블 락 제거 테이블 락 제거 실패 → OK",
                         "테이블 락 제거 실패",
                         "강제그룹취소 창가 / 강제 그룹취소를 하시겠습니까? → OK",
                         "강제그룹취소 " + BackupLine(backups[1]),
                         "강제그룹취소 그룹취소 되었습니다. → OK",
                         "강제그룹취소 완료",
                         "매출일자 변경 매출일자 변경 진행하시겠습니까? → Cancel",
                         "매출일자 변경 완료",
                         "매출일자 변경 매출일자 변경 진행하시겠습니까? → OK",
                         "매출일자 변경 [지정된 날짜 변경] 진행중",
                         "매출일자 변경 변경하실 날짜에 매출이 존재합니다.",
                         "매출일자 변경 [지정된 날짜 변경] 오류 발생",
                         "매출일자 변경 실패",
                         "매출일자 변경 매출일자 변경 진행하시겠습니까? → OK",
                         "매출일자 변경 [다중 날짜 변경] 진행중",
                         "error box",
                         "매출일자 변경 실패",
                     }));

    // A folder inside a file cannot be made, not even by root.
    QFile blocker(files.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    app::OperationTrace blocked(files.filePath("file/logs"), clock);
    window.SetTrace(&blocked);
    dialogs.dialogs.clear();
    app_testing::Click(window, QStringLiteral("Button6"));
    app_testing::Click(window, QStringLiteral("Button6"));
    EXPECT_EQ(dialogs.DialogTexts(),
              (std::vector<std::string>{
                  "테이블 락 제거 진행하시겠습니까?", "테이블 락 제거 실패",
                  std::string(app::kTraceNotWritten) + "\r\n" +
                      QDir::toNativeSeparators(blocked.FileOf(QDate(2024, 3, 14))).toStdString(),
                  "테이블 락 제거 진행하시겠습니까?", "테이블 락 제거 실패"}));
    window.FormClose();
}

}  // namespace
}  // namespace datefix_test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
