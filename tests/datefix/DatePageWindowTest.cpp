// The date correction page driven through the real window, offscreen: the operator picks the
// mode with the mouse, sets the dates, presses the start button and answers the real dialogs.
#include <QApplication>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>
#include <filesystem>

#include "app/MainWindow.h"
#include "app/MessageDialog.h"
#include "tests/app/MouseDialogDriver.h"
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

using DialogClicker = app_test::MouseDialogDriver;

std::vector<std::string> LogLines(const app::TfmMain& window) {
    std::vector<std::string> lines;
    for (const QString& line : window.memoChange->toPlainText().split(QLatin1Char('\n')))
        lines.push_back(line.toStdString());
    return lines;
}

// Shows the window on its last page, the date correction.
void ShowDatePage(app::TfmMain& window) {
    window.ShowMain();
    window.PageControl1->SetActivePageIndex(window.PageControl1->PageCount() - 1);
}

void SetDates(app::TfmMain& window, const QDate& first, const QDate& second) {
    window.dtChange01->SetDateTime(QDateTime(first, QTime(9, 15)));
    window.dtChange02->SetDateTime(QDateTime(second, QTime(9, 15)));
}

TEST(DatePageWindow, BothModesFromTheMouseWithTheRealDialogs) {
    TestDatabase db;
    SalesSeed(db)
        .Sale("20240310", 1, "2024-03-10 12:00:00")
        .Sale("20240310", 2, "2024-03-10 19:45:10")
        .Sale("20240313", 1, "2024-03-13 10:00:00")
        .Sale("20240313", 2, "2024-03-14 11:00:00")
        .Register("20240310", "01")
        .Flush();
    const SalesState before = Capture(db);

    app::TfmMain window(db.Name());
    ShowDatePage(window);
    EXPECT_FALSE(window.pblGroup->isVisible());

    // Mode 1: 20240310 moves to 20240311.
    QTest::mouseClick(window.RadioButton3, Qt::LeftButton);
    ASSERT_TRUE(window.pblGroup->isVisible());
    EXPECT_EQ(window.pblGroup->Caption().toStdString(), "");
    EXPECT_EQ(window.lbChange01->text().toStdString(), "잘못되어있는 일자");
    EXPECT_TRUE(window.lbChange02->alignment() & Qt::AlignLeft);
    SetDates(window, QDate(2024, 3, 10), QDate(2024, 3, 11));
    {
        DialogClicker clicker({true, true});
        QTest::mouseClick(window.Button9, Qt::LeftButton);
        EXPECT_EQ(clicker.Texts(),
                  (std::vector<std::string>{"매출일자 변경 진행하시겠습니까?", "완료."}));
        EXPECT_EQ(clicker.unexpected, 0);
        EXPECT_TRUE(clicker.errorBoxes.empty());
    }
    const std::vector<std::string> log = LogLines(window);
    ASSERT_EQ(log.size(), 1u + 1 + 40 + 2);
    EXPECT_EQ(log.front(), kSingleStart);
    // The backup made right before the first change holds the sales as they were.
    ASSERT_EQ(db.BackupFiles().size(), 1u);
    const std::string backup = db.BackupFiles().front();
    EXPECT_EQ(log[1], "백업: " + backup + " (" +
                          std::to_string(std::filesystem::file_size(backup)) + " bytes)");
    ExpectSameSales(before, Capture(TestDatabase(backup)));
    EXPECT_EQ(log[2], "OS_ORDER->1 - 2024-03-11");
    EXPECT_EQ(log[log.size() - 2], "OC_REGISTER 과 OC_DAY_PASSMONEY 는 확인 후 설정");
    EXPECT_EQ(log.back(), kSingleOk);
    const SalesState moved = AfterSingleMove(before, "20240310", "20240311", 20, true);
    ExpectSameSales(moved, Capture(db));

    // Mode 2 keeps the log until a run is confirmed; Cancel changes nothing.
    QTest::mouseClick(window.RadioButton4, Qt::LeftButton);
    EXPECT_EQ(window.lbChange01->text().toStdString(), "일자선택");
    EXPECT_EQ(window.lbChange02->text().toStdString(), "~");
    EXPECT_TRUE(window.lbChange02->alignment() & Qt::AlignRight);
    EXPECT_EQ(LogLines(window), log);
    SetDates(window, QDate(2024, 3, 13), QDate(2024, 3, 16));
    {
        DialogClicker clicker({false});
        QTest::mouseClick(window.Button9, Qt::LeftButton);
        EXPECT_EQ(clicker.Texts(), std::vector<std::string>{"매출일자 변경 진행하시겠습니까?"});
    }
    EXPECT_EQ(LogLines(window), log);
    ExpectSameSales(moved, Capture(db));

    {
        DialogClicker clicker({true, true});
        QTest::mouseClick(window.Button9, Qt::LeftButton);
        EXPECT_EQ(clicker.Texts().size(), 2u);
        EXPECT_EQ(clicker.unexpected, 0);
    }
    ASSERT_EQ(db.BackupFiles().size(), 2u);
    EXPECT_EQ(
        LogLines(window),
        (std::vector<std::string>{
            kRealignStart,
            "백업: " + db.BackupFiles().back() + " (" +
                std::to_string(std::filesystem::file_size(db.BackupFiles().back())) + " bytes)",
            "OC_REGISTER 수동 적용 해야 합니다.", kRealignOk}));
    ExpectSameSales(AfterRealign(moved, "20240313", "20240316"), Capture(db));
    EXPECT_EQ(db.Count("OS_MASTER", "SAL_SEQ = 2 and SAL_YMD = '20240314'"), 1);
    window.FormClose();
}

TEST(DatePageWindow, StoppedMoveGoesOnAfterTheQuestion) {
    TestDatabase db;
    SeedThreeSales(db);
    FailUpdatesOf(db, "OS_PAY");
    const SalesState before = Capture(db);
    QTemporaryDir settingsDir;
    app::UnfinishedMoveSettings unfinished(settingsDir.filePath("unfinished-moves.ini"));

    app::TfmMain window(db.Name());
    window.State().unfinishedMoves = &unfinished;
    ShowDatePage(window);
    QTest::mouseClick(window.RadioButton3, Qt::LeftButton);
    SetDates(window, QDate(2024, 3, 13), QDate(2024, 3, 14));
    {
        DialogClicker clicker({true});
        QTest::mouseClick(window.Button9, Qt::LeftButton);
        EXPECT_EQ(clicker.unexpected, 0);
    }
    EXPECT_EQ(LogLines(window).back(), kSingleFailed);
    StopFailingUpdatesOf(db, "OS_PAY");

    DialogClicker clicker({true, true, true});
    QTest::mouseClick(window.Button9, Qt::LeftButton);
    ASSERT_EQ(clicker.shown.size(), 3u);
    EXPECT_EQ(clicker.shown[1].caption, "Confirm");
    EXPECT_EQ(
        clicker.shown[1].text,
        "20240313 → 20240314 매출일자 변경이 중간에 중단되었습니다. 이어서 진행하시겠습니까?");
    EXPECT_EQ(clicker.shown[1].buttons, "OK   Cancel   ");
    EXPECT_EQ(clicker.shown[2].text, "완료.");
    EXPECT_EQ(LogLines(window).back(), kSingleOk);
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 20, true), Capture(db));
    EXPECT_FALSE(unfinished.Find(db.Name()));
    window.FormClose();
}

TEST(DatePageWindow, UncaughtReadFailureGoesToTheErrorBoxWithoutEndLine) {
    TestDatabase db;
    SalesSeed(db).Sale("20240313", 1, "2024-03-14 10:00:00").Flush();
    db.Exec("alter table OS_MASTER drop UPD_DT");
    const SalesState before = Capture(db);

    app::TfmMain window(db.Name());
    ShowDatePage(window);
    QTest::mouseClick(window.RadioButton4, Qt::LeftButton);
    SetDates(window, QDate(2024, 3, 13), QDate(2024, 3, 16));
    DialogClicker clicker({true});
    QTest::mouseClick(window.Button9, Qt::LeftButton);
    EXPECT_EQ(clicker.Texts(), std::vector<std::string>{"매출일자 변경 진행하시겠습니까?"});
    ASSERT_EQ(clicker.errorBoxes.size(), 1u);
    EXPECT_NE(clicker.errorBoxes[0].find("UPD_DT"), std::string::npos) << clicker.errorBoxes[0];
    EXPECT_EQ(LogLines(window), std::vector<std::string>{kRealignStart});
    EXPECT_TRUE(window.isEnabled());
    ExpectSameSales(before, Capture(db));
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
