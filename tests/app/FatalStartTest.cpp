// A missing database client library: only the fatal box, exit code 1, no window and no start in
// the trace. Its own executable, because a library once loaded stays loaded for the process.
#include <QRegularExpression>
#include <QTemporaryDir>

#include "db/ClientLibrary.h"
#include "tests/app/AppTestSupport.h"

namespace {

TEST(FatalStartTest, TheStandardStopBoxCalledApplicationErrorThenExitCodeOne) {
    db::ClientLibrary::SetFileNamesForTesting("libposfix-missing.so.9");
    auto seen = app_testing::PressInNextModal({Qt::Key_Return});
    QTemporaryDir logs;
    app::OperationTrace trace(logs.path());
    app::StartOptions options;
    options.trace = &trace;
    options.onShown = [](app::TfmMain& window) {
        ADD_FAILURE() << "the window was shown";
        window.close();
    };
    EXPECT_EQ(app::RunMainWindow(options), 1);
    db::ClientLibrary::ResetFileNamesForTesting();
    EXPECT_FALSE(QFile::exists(trace.FileOf(QDate::currentDate())));  // no start line
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<app::TfmMain*>(top), nullptr);
    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(seen->title, "Application Error");
    EXPECT_TRUE(seen->critical);
    EXPECT_EQ(seen->buttons, QStringList({"OK"}));
    // The failure's type, module and offset, then its text with its stop and a line break.
    EXPECT_TRUE(QRegularExpression(
                    "^Exception db::DbError in module [^ ]+ at [0-9A-F]{8}\\.\n"
                    "InterBase library gds32.dll not found in the path. Please install InterBase "
                    "to use this functionality\\.\n$")
                    .match(seen->text)
                    .hasMatch())
        << seen->text.toStdString();
}

}  // namespace
