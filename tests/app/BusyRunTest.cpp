// While a handler runs: the log is painted line by line, the window takes no input and cannot
// be closed, and the dialogs the handler opens still answer.
#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "tests/app/AppTestSupport.h"

namespace {

using app::TfmMain;

// Records the number of log lines each time the log's visible area is painted.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QPlainTextEdit* memo) : memo_(memo) {
        memo->viewport()->installEventFilter(this);
    }
    std::vector<int> linesAtPaint;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) linesAtPaint.push_back(memo_->blockCount());
        return false;
    }

private:
    QPlainTextEdit* memo_;
};

class BusyRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = app_testing::OpenWindow(app_testing::kNoServer, recorder);
        window->PageControl1->SetActivePageIndex(5);
        window->SetPanelVisible(true);
        QApplication::processEvents();
    }

    void PostClick(QWidget* target) {
        const QPointF pos = QPointF(target->rect().center());
        const QPointF global = QPointF(target->mapToGlobal(target->rect().center()));
        QCoreApplication::postEvent(
            target, new QMouseEvent(QEvent::MouseButtonPress, pos, global, Qt::LeftButton,
                                    Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(
            target, new QMouseEvent(QEvent::MouseButtonRelease, pos, global, Qt::LeftButton,
                                    Qt::NoButton, Qt::NoModifier));
    }

    app_testing::DialogRecorder recorder;
    std::unique_ptr<TfmMain> window;
};

TEST_F(BusyRunTest, EachLogLineIsPaintedWhileTheHandlerStillRuns) {
    PaintCounter counter(window->memoChange);
    form::WindowOps& ui = window->State().ui;
    window->RunHandler([&] {
        ui.ClearLog();
        for (int i = 1; i <= 5; ++i) {
            QThread::msleep(form::OperationRunner::kTickMs + 60);
            ui.AppendLog("line " + std::to_string(i));
        }
    });
    // Every append after a pause of more than the paint interval was painted before the next.
    for (int line = 1; line <= 5; ++line) {
        EXPECT_NE(std::find(counter.linesAtPaint.begin(), counter.linesAtPaint.end(), line),
                  counter.linesAtPaint.end())
            << "line " << line << " never painted during the run";
    }
    EXPECT_EQ(app_testing::LogLines(*window).size(), 5u);
}

TEST_F(BusyRunTest, ClicksKeysPageSwitchesAndClosingDuringARunAreDropped) {
    QSignalSpy closed(window.get(), &TfmMain::Closed);
    window->AppendItem(form::ListBoxId::ListBox1, "01");
    app_testing::Activate(window.get());
    window->memoChange->setFocus();
    bool inner = true;
    form::OperationRunner& runner = window->Runner();
    window->RunHandler([&] {
        // Input events are made where the window lives, as the platform makes them.
        runner.OnWindowThread([&] {
            PostClick(window->Button2);       // exit
            PostClick(window->RadioButton3);  // mode switch
            QCoreApplication::postEvent(window->memoChange,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab,
                                                      Qt::ControlModifier));  // next page
            QCoreApplication::postEvent(window->memoChange,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier,
                                                      QStringLiteral("x")));  // typing
        });
        EXPECT_FALSE(runner.OnWindowThread([&] { return window->close(); }));  // close box
        // No second handler inside the first.
        inner = runner.OnWindowThread([&] { return window->RunHandler([] {}); });
        for (int i = 0; i < 3; ++i) {
            QThread::msleep(60);
            window->State().ui.AppendLog("step " + std::to_string(i));
        }
    });
    EXPECT_FALSE(inner);
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->PageControl1->ActivePageIndex(), 5);
    EXPECT_FALSE(window->RadioButton3->isChecked());
    EXPECT_EQ(app_testing::LogLines(*window),
              std::vector<std::string>({"step 0", "step 1", "step 2"}));
    EXPECT_FALSE(window->IsBusy());

    // After the run the window takes input again.
    app_testing::Click(*window, "RadioButton3");
    EXPECT_TRUE(window->RadioButton3->isChecked());
    app_testing::Click(*window, "Button2");
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(BusyRunTest, DialogsOpenedByTheHandlerStillTakeTheKeyboard) {
    int result = 0;
    auto seen = app_testing::PressSequenceInNextModal({Qt::Key_Tab, Qt::Key_Return});
    window->RunHandler([&] {
        result = window->Runner().OnWindowThread([] {
            return app::StandardDialogs().MessageDialog("매출일자 변경 진행하시겠습니까?",
                                                        form::DialogKind::Information,
                                                        form::DialogButtons::OkCancel);
        });
    });
    EXPECT_TRUE(seen->seen);
    EXPECT_EQ(result, form::kResultCancel);
}

}  // namespace
