// A row held by an isql-fb process while an operation runs through the real window: the wait
// dialog names the holder and "취소" ends the date move with nothing changed. WaitOnScreen needs a
// real display (its ctest entry starts a virtual one) and saves two pictures of the screen.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "app/MainWindow.h"
#include "app/MessageDialog.h"
#include "app/OperationTrace.h"
#include "app/WaitDialog.h"
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

// By default the date move of 20240313 with OS_ORDER row 2 held. Every message dialog is answered
// OK; onWait is called every 50 ms while the wait dialog names the holder, until it returns true.
struct HeldRowWindow {
    explicit HeldRowWindow(const TestDatabase& db, const std::string& holding =
                                                       "update OS_ORDER set UPD_DT = UPD_DT where "
                                                       "SAL_YMD = '20240313' and SAL_SEQ = '2'")
        : holder(db, holding), window(db.Name()) {
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
        QTimer answer, poll;
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
        bool done = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            app::TWaitForm* wait = window.WaitForm();
            if (done || !wait || wait->Text().toStdString().find(HolderLine()) == std::string::npos)
                return;
            if (firstText.empty()) firstText = wait->Text().toStdString();
            done = onWait(*wait);
        });
        answer.start(10);
        poll.start(50);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    std::string HolderLine() const {
        return "사용 중인 프로그램: isql-fb (PID " + holder.Pid() + ", 127.0.0.1)";
    }

    // Failed at the held row with nothing changed, after the question on the holder.
    void ExpectFailedWithNothingChanged(const TestDatabase& db, const SalesState& before) {
        EXPECT_EQ(firstText.rfind("DB 작업이 끝나기를 기다리고 있습니다. (2초)", 0), 0u)
            << firstText;
        ASSERT_EQ(questions.size(), 2u);
        EXPECT_NE(questions[0].find("다른 프로그램이 DB에 연결되어 있습니다."), std::string::npos);
        EXPECT_NE(questions[1].find(kConfirm), std::string::npos);
        EXPECT_EQ(window.WaitForm(), nullptr);
        const QStringList log = window.memoChange->toPlainText().split(QLatin1Char('\n'));
        // The held row is in the middle of its batch: the log names it, and no row after it.
        EXPECT_EQ(
            log.mid(log.size() - 4).join(QLatin1Char('|')).toStdString(),
            std::string("OS_ORDER->1 - 2024-03-14|OS_ORDER->2 - 2024-03-14|ERROR OS_ORDER->2|") +
                kSingleFailed);
        ExpectSameSales(before, Capture(db));
    }

    testing_support::IsqlHolder holder;
    app::TfmMain window;
    std::string firstText;
    std::vector<std::string> questions;  // every message dialog
    int dialogsOverTheWait = 0;
};

TEST(WaitWindow, CancelInTheWaitDialogEndsTheMoveWithNothingChanged) {
    TestDatabase db;
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    HeldRowWindow run(db);
    run.ChooseDateMove();
    run.Start(run.window.Button9, [&](app::TWaitForm& wait) {
        EXPECT_EQ(wait.windowTitle().toStdString(), "대기");
        EXPECT_TRUE(wait.CancelButton()->isVisible());
        // The seconds go on while the move waits: the window's thread keeps going.
        if (wait.Text().toStdString() == run.firstText) return false;
        // Esc is pressing "취소" (the screen case below clicks the button itself).
        QTest::keyClick(&wait, Qt::Key_Escape);
        EXPECT_TRUE(wait.Cancelled()) << "Esc did not press 취소";
        if (!wait.Cancelled()) QTest::mouseClick(wait.CancelButton(), Qt::LeftButton);
        return true;
    });
    run.ExpectFailedWithNothingChanged(db, before);
}

// A lock removal whose holder lets go once named: its result box comes after the wait dialog has
// closed, and the trace tells the wait.
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
        run.holder.Rollback();
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
              "다른 프로그램이 DB에 연결되어 있습니다. / isql-fb (PID " + run.holder.Pid() +
                  ", 127.0.0.1) / 포스 프로그램을 종료한 후 사용하세요. 그래도 진행하시겠습니까? "
                  "→ OK\n테이블 락 제거 진행하시겠습니까? → OK\n" +
                  BackupLine(backup) + "\n대기: DB 작업이 끝나기를 기다리고 있습니다. (2초) / " +
                  run.HolderLine() + "\n대기 끝 (N초)\n테이블 락 제거 완료 → OK\n완료\n");
}

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
    QElapsedTimer since;
    run.Start(run.window.Button9, [&](app::TWaitForm& wait) {
        // The first picture once the dialog's first frame has reached the display, the second a
        // second later.
        if (!since.isValid()) since.start();
        if (first.isNull() && since.elapsed() >= 300) {
            first = GrabScreen();
            dialog = wait.frameGeometry();
            since.restart();
        }
        if (first.isNull() || since.elapsed() < 1000) return false;
        second = GrabScreen();
        QTest::mouseClick(wait.CancelButton(), Qt::LeftButton);
        return true;
    });

    ASSERT_FALSE(second.isNull()) << "the wait dialog never named the holder";
    const QString firstPath = QStringLiteral(POSFIX_BINARY_DIR "/wait-dialog-1.png");
    const QString secondPath = QStringLiteral(POSFIX_BINARY_DIR "/wait-dialog-2.png");
    EXPECT_TRUE(first.save(firstPath));
    EXPECT_TRUE(second.save(secondPath));
    std::printf("screenshots: %s %s\n", qPrintable(firstPath), qPrintable(secondPath));
    // The dialog is on the screen where the window was, and its seconds were drawn anew.
    ASSERT_TRUE(QRect(QPoint(0, 0), first.size()).contains(dialog));
    EXPECT_NE(first.copy(dialog), beforeMove.copy(dialog));
    EXPECT_NE(first.copy(dialog), second.copy(dialog));
    run.ExpectFailedWithNothingChanged(db, before);
}

}  // namespace
}  // namespace datefix_test
