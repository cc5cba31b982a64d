// A row held by another program (an isql-fb process with an uncommitted update) while the date
// move runs through the real window: the wait dialog comes up within 3 s naming the holder, the
// window goes on painting while the move waits, and "취소" in the dialog ends the move as a failure
// with nothing changed. A table lock removal that waits is let go on: the wait dialog is gone
// before its result box, and the trace tells the wait. WaitWindow runs offscreen; WaitOnScreen
// needs a real display (the ctest entry starts a virtual one) and saves two pictures of the
// screen a second apart.
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "app/MainWindow.h"
#include "app/MessageDialog.h"
#include "app/OperationTrace.h"
#include "app/WaitDialog.h"
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string HolderLine(const testing_support::IsqlHolder& holder) {
    return "사용 중인 프로그램: isql-fb (PID " + holder.Pid() + ", 127.0.0.1)";
}

// An operation started with the mouse on a window where another program holds a row: by default
// the date move of 20240313 to 20240314 with OS_ORDER row 2 held. Every message dialog is
// answered OK. onWait is called every 50 ms while the wait dialog is open and names the holder;
// it returns true once it has pressed "취소" or let the holder go.
class HeldRowWindow {
public:
    explicit HeldRowWindow(const TestDatabase& db, const std::string& holding =
                                                       "update OS_ORDER set UPD_DT = UPD_DT where "
                                                       "SAL_YMD = '20240313' and SAL_SEQ = '2'")
        : holder_(db, holding), window(db.Name()) {
        window.ShowMain();
    }

    void ChooseDateMove() {
        window.PageControl1->SetActivePageIndex(window.PageControl1->PageCount() - 1);
        QTest::mouseClick(window.RadioButton3, Qt::LeftButton);
        window.dtChange01->SetDateTime(QDateTime(QDate(2024, 3, 13), QTime(9, 15)));
        window.dtChange02->SetDateTime(QDateTime(QDate(2024, 3, 14), QTime(9, 15)));
        QApplication::processEvents();
    }

    void Start(QPushButton* button, const std::function<bool(app::TWaitForm&)>& onWait) {
        // Every question is answered with its OK button, the default one or not.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<app::TMessageForm*>(QApplication::activeModalWidget());
            if (!dialog || dialog->property("answered").toBool()) return;
            dialog->setProperty("answered", true);
            questions.push_back(dialog->ClipboardText().toStdString());
            if (window.WaitForm()) ++dialogsOverTheWait;
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("OK"))
                    QTest::mouseClick(button, Qt::LeftButton);
        });
        answer.start(10);
        QTimer poll;
        bool cancelled = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            app::TWaitForm* wait = window.WaitForm();
            if (cancelled || !wait ||
                wait->Text().toStdString().find(HolderLine(holder_)) == std::string::npos)
                return;
            if (secondsUntilNamed < 0) {
                secondsUntilNamed = SecondsSince(start_);
                firstText = wait->Text().toStdString();
            }
            cancelled = onWait(*wait);
        });
        poll.start(50);
        start_ = Clock::now();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // Clicks "취소" once the dialog's seconds have gone on from the first text it showed.
    static bool CancelAfterASecond(app::TWaitForm& wait, const std::string& first) {
        if (wait.Text().toStdString() == first) return false;
        QTest::mouseClick(wait.CancelButton(), Qt::LeftButton);
        return true;
    }

    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        for (const QString& line : window.memoChange->toPlainText().split(QLatin1Char('\n')))
            lines.push_back(line.toStdString());
        return lines;
    }

    testing_support::IsqlHolder holder_;

private:
    Clock::time_point start_;

public:
    app::TfmMain window;
    double secondsUntilNamed = -1;
    std::string firstText;
    std::vector<std::string> questions;  // every message dialog
    int dialogsOverTheWait = 0;
};

void ExpectFailedWithNothingChanged(const HeldRowWindow& run, const TestDatabase& db,
                                    const SalesState& before) {
    ASSERT_EQ(run.questions.size(), 2u);
    EXPECT_NE(run.questions[0].find("다른 프로그램이 DB에 연결되어 있습니다."), std::string::npos);
    EXPECT_NE(run.questions[1].find("매출일자 변경 진행하시겠습니까?"), std::string::npos);
    EXPECT_EQ(run.window.WaitForm(), nullptr);
    const std::vector<std::string> log = run.Log();
    EXPECT_EQ(log.back(), kSingleFailed);
    EXPECT_EQ(log[log.size() - 2], "ERROR OS_ORDER->2");
    ExpectSameSales(before, Capture(db));
}

TEST(WaitWindow, CancelInTheWaitDialogEndsTheMoveWithNothingChanged) {
    TestDatabase db;
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    HeldRowWindow run(db);
    run.ChooseDateMove();
    std::string lastText;
    run.Start(run.window.Button9, [&](app::TWaitForm& wait) {
        lastText = wait.Text().toStdString();
        EXPECT_EQ(wait.windowTitle().toStdString(), "대기");
        EXPECT_TRUE(wait.CancelButton()->isVisible());
        return HeldRowWindow::CancelAfterASecond(wait, run.firstText);
    });

    ASSERT_GE(run.secondsUntilNamed, 0) << "the wait dialog never named the holder";
    EXPECT_LT(run.secondsUntilNamed, 3.0);
    EXPECT_EQ(run.firstText.rfind("DB 작업이 끝나기를 기다리고 있습니다. (2초)", 0), 0u)
        << run.firstText;
    // The seconds went on while the move waited: the window's thread kept going.
    EXPECT_NE(lastText, run.firstText);
    ExpectFailedWithNothingChanged(run, db, before);
}

// The holder lets its lock row go once the wait dialog names it: the removal completes, its
// result box comes after the wait dialog has closed, and the trace holds the question on the
// holder (another program attached) answered OK, the backup, the wait with its holder and its end,
// the result and "완료": that question is no failure.
TEST(WaitWindow, TheWaitDialogClosesBeforeTheResultBoxAndTheTraceTellsTheWait) {
    TestDatabase db;
    db.Exec("insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('2', '1', '02')");
    QTemporaryDir files;
    app::OperationTrace trace(files.path(),
                              [] { return QDateTime(QDate(2024, 3, 14), QTime(10, 5, 9)); });
    HeldRowWindow run(db, "update os_table_lock set pos_no = '03' where tbl_no = '2'");
    run.window.SetTrace(&trace);
    run.window.PageControl1->SetActivePageIndex(2);
    run.Start(run.window.Button6, [&](app::TWaitForm&) {
        run.holder_.Rollback();
        return true;
    });

    EXPECT_EQ(run.dialogsOverTheWait, 0);
    QFile file(trace.FileOf(QDate(2024, 3, 14)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string backup = db.BackupFiles().at(0);
    EXPECT_EQ(QString::fromUtf8(file.readAll())
                  .replace(QStringLiteral("2024-03-14 10:05:09 테이블 락 제거 "), QString())
                  .replace(QRegularExpression(QStringLiteral("끝 \\([0-9]+초\\)")), "끝 (N초)")
                  .toStdString(),
              "다른 프로그램이 DB에 연결되어 있습니다. / isql-fb (PID " + run.holder_.Pid() +
                  ", 127.0.0.1) / 포스 프로그램을 종료한 후 사용하세요. 그래도 진행하시겠습니까? "
                  "→ OK\n테이블 락 제거 진행하시겠습니까? → OK\n백업: " +
                  backup + " (" + std::to_string(std::filesystem::file_size(backup)) +
                  " bytes)\n대기: DB 작업이 끝나기를 기다리고 있습니다. (2초) / " +
                  HolderLine(run.holder_) + "\n대기 끝 (N초)\n테이블 락 제거 완료 → OK\n완료\n");
}

// The whole screen as a real display shows it.
QImage GrabScreen() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

TEST(WaitOnScreen, TheWaitDialogIsPaintedWhileTheMoveWaits) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"))
        << "runs on a real display only";
    TestDatabase db;
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    HeldRowWindow run(db);
    run.ChooseDateMove();
    const QImage beforeMove = GrabScreen();
    QImage first, second;
    QRect dialog;
    Clock::time_point seenAt, firstAt;
    run.Start(run.window.Button9, [&](app::TWaitForm& wait) {
        if (first.isNull()) {
            // Once the dialog's first frame has reached the display.
            if (seenAt == Clock::time_point()) seenAt = Clock::now();
            if (SecondsSince(seenAt) < 0.3) return false;
            first = GrabScreen();
            firstAt = Clock::now();
            dialog = wait.frameGeometry();
            return false;
        }
        if (SecondsSince(firstAt) < 1.0) return false;
        second = GrabScreen();
        QTest::mouseClick(wait.CancelButton(), Qt::LeftButton);
        return true;
    });

    ASSERT_FALSE(second.isNull()) << "the wait dialog never named the holder";
    EXPECT_LT(run.secondsUntilNamed, 3.0);
    const QString firstPath = QStringLiteral(POSFIX_BINARY_DIR "/wait-dialog-1.png");
    const QString secondPath = QStringLiteral(POSFIX_BINARY_DIR "/wait-dialog-2.png");
    EXPECT_TRUE(first.save(firstPath));
    EXPECT_TRUE(second.save(secondPath));
    std::printf("screenshots: %s %s\n", qPrintable(firstPath), qPrintable(secondPath));
    // The dialog is on the screen where the window was, and its seconds were drawn anew.
    ASSERT_TRUE(QRect(QPoint(0, 0), first.size()).contains(dialog));
    EXPECT_NE(first.copy(dialog), beforeMove.copy(dialog));
    EXPECT_NE(first.copy(dialog), second.copy(dialog));
    ExpectFailedWithNothingChanged(run, db, before);
}

}  // namespace
}  // namespace datefix_test
