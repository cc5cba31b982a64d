// A row held by another program (an isql-fb process with an uncommitted update) while the date
// move runs through the real window: the wait dialog comes up within 3 s naming the holder, the
// window goes on painting while the move waits, and "취소" in the dialog ends the move as a failure
// with nothing changed. WaitWindow runs offscreen; WaitOnScreen needs a real display (the ctest
// entry starts a virtual one) and saves two pictures of the screen a second apart.
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>

#include "app/MainWindow.h"
#include "app/MessageDialog.h"
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

// The date move of 20240313 to 20240314 started with the mouse on a window whose OS_ORDER row 2
// is held; both questions (other programs attached, go ahead) are answered OK. onWait is called
// every 50 ms while the wait dialog is open and names the holder; it returns true once it has
// pressed "취소".
class HeldRowWindow {
public:
    explicit HeldRowWindow(const TestDatabase& db)
        : holder_(db,
                  "update OS_ORDER set UPD_DT = UPD_DT where SAL_YMD = '20240313' and SAL_SEQ = "
                  "'2'"),
          window(db.Name()) {
        window.ShowMain();
        window.PageControl1->SetActivePageIndex(window.PageControl1->PageCount() - 1);
        QTest::mouseClick(window.RadioButton3, Qt::LeftButton);
        window.dtChange01->SetDateTime(QDateTime(QDate(2024, 3, 13), QTime(9, 15)));
        window.dtChange02->SetDateTime(QDateTime(QDate(2024, 3, 14), QTime(9, 15)));
        QApplication::processEvents();
    }

    void Start(const std::function<bool(app::TWaitForm&)>& onWait) {
        // Every question is answered with its OK button, the default one or not.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<app::TMessageForm*>(QApplication::activeModalWidget());
            if (!dialog || dialog->property("answered").toBool()) return;
            dialog->setProperty("answered", true);
            questions.push_back(dialog->ClipboardText().toStdString());
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
        QTest::mouseClick(window.Button9, Qt::LeftButton);
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

private:
    testing_support::IsqlHolder holder_;
    Clock::time_point start_;

public:
    app::TfmMain window;
    double secondsUntilNamed = -1;
    std::string firstText;
    std::vector<std::string> questions;
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
    std::string lastText;
    run.Start([&](app::TWaitForm& wait) {
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
    const QImage beforeMove = GrabScreen();
    QImage first, second;
    QRect dialog;
    Clock::time_point seenAt, firstAt;
    run.Start([&](app::TWaitForm& wait) {
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
