// A missing database client library: the fatal box, exit code 1 and no window. Its own
// executable, because a library once loaded stays loaded for the process.
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/OperationTrace.h"
#include "db/ClientLibrary.h"
#include "tests/app/AppTestSupport.h"

namespace {

const std::string kMissing =
    "InterBase library gds32.dll not found in the path. Please install InterBase to use this "
    "functionality.\n";

bool AnyMainWindow() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (qobject_cast<app::TfmMain*>(top)) return true;
    }
    return false;
}

class FatalStartTest : public ::testing::Test {
protected:
    void SetUp() override { db::ClientLibrary::SetFileNamesForTesting("libposfix-missing.so.9"); }
    void TearDown() override { db::ClientLibrary::ResetFileNamesForTesting(); }
};

TEST_F(FatalStartTest, OnlyTheFatalBoxThenExitCodeOne) {
    app_testing::DialogRecorder recorder;
    bool shown = false;
    QTemporaryDir logs;
    app::OperationTrace trace(logs.path());
    app::StartOptions options;
    options.dialogs = &recorder;
    options.trace = &trace;
    options.onShown = [&](app::TfmMain& window) {
        shown = true;
        window.close();
    };
    EXPECT_EQ(app::RunMainWindow(options), 1);
    EXPECT_FALSE(QFile::exists(trace.FileOf(QDate::currentDate())));  // no start line
    EXPECT_FALSE(shown);
    EXPECT_FALSE(AnyMainWindow());
    EXPECT_TRUE(recorder.events.empty());
    ASSERT_EQ(recorder.fatalBoxes.size(), 1u);
    const std::string& text = recorder.fatalBoxes[0];
    EXPECT_EQ(text.rfind("Exception db::DbError in module ", 0), 0u) << text;
    // "... at XXXXXXXX." then the failure's text with its stop and a final line break.
    const std::size_t at = text.find(" at ");
    ASSERT_NE(at, std::string::npos);
    const std::string offset = text.substr(at + 4, 8);
    EXPECT_EQ(offset.find_first_not_of("0123456789ABCDEF"), std::string::npos) << offset;
    EXPECT_EQ(text.substr(at + 12), ".\n" + kMissing);
}

TEST_F(FatalStartTest, TheRealBoxIsTheStandardStopBoxCalledApplicationError) {
    bool critical = false;
    auto seen = app_testing::OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        critical = box && box->icon() == QMessageBox::Critical;
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : modal,
                        Qt::Key_Return);
    });
    EXPECT_EQ(app::RunMainWindow(), 1);
    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(seen->title, "Application Error");
    EXPECT_TRUE(critical);
    EXPECT_EQ(seen->buttons, QStringList({"OK"}));
    EXPECT_TRUE(seen->text.endsWith(QString::fromStdString(kMissing))) << seen->text.toStdString();
    EXPECT_FALSE(AnyMainWindow());
}

}  // namespace
