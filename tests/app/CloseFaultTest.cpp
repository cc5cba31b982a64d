// Closing the window when disconnecting fails. The client library is a stand-in whose detach
// fails on request; its own executable, because a loaded client library stays for the process.
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/FaultyClientControl.h"
#include "tests/support/TestDatabase.h"

namespace {

TEST(CloseFaultTest, AFailedDisconnectIsShownKeepsTheWindowOpenAndClosingCanBeRetried) {
    testing_support::UseFaultyClient();
    testing_support::TestDatabase database;

    app_testing::DialogRecorder recorder;
    auto window = app_testing::OpenWindow(database.Name(), recorder);
    QSignalSpy closed(window.get(), &app::TfmMain::Closed);
    form::FormState& state = window->State();
    state.TableNoList = {"T1"};

    testing_support::FailNextDetaches(1);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(
        recorder.errorBoxes,
        std::vector<std::string>{"cannot disconnect database with open transactions (1 active)"});
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(state.IBDatabase1.IsConnected());
    EXPECT_EQ(state.TableNoList, std::vector<std::string>{"T1"});

    EXPECT_TRUE(window->close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(state.IBDatabase1.IsConnected());
    EXPECT_TRUE(state.TableNoList.empty());
}

}  // namespace
