// Start-up and close: without a server, on a real test database, and the start-up clock.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/MoveJournalFile.h"
#include "form/Cp949.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TestDatabase.h"

namespace {

using app::TfmMain;
using app_testing::DialogRecorder;
using form::ListBoxId;

TEST(StartupTest, WithoutAServerTheErrorBoxThenTheWarningThenAnEmptyWindowThatCloses) {
    // Records with each dialog whether the window was visible yet.
    struct Recorder : DialogRecorder {
        int MessageDialog(const std::string& text, form::DialogKind kind,
                          form::DialogButtons buttons) override {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (qobject_cast<TfmMain*>(top)) windowVisible.push_back(top->isVisible());
            return DialogRecorder::MessageDialog(text, kind, buttons);
        }
        std::vector<bool> windowVisible;
    } recorder;
    app::StartOptions options;
    options.databaseName = app_testing::kNoServer;
    options.dialogs = &recorder;
    // A date move of this database that an earlier run left stopped part-way.
    QTemporaryDir journalDir;
    app::MoveJournalFile journal(journalDir.path());
    ASSERT_TRUE(journal.Write(options.databaseName,
                              {"20240313", "20240314", "", {{"OS_Order", "1", "1"}}, ""}));
    options.moveJournal = &journal;
    bool visible = false, connected = true;
    int items = -1, page = -1;
    std::vector<std::string> eventsWhenShown;
    options.onShown = [&](TfmMain& window) {
        visible = window.isVisible();
        connected = window.State().IBDatabase1.IsConnected();
        items = window.ItemCount(ListBoxId::ListBox1) + window.ItemCount(ListBoxId::ListBox2);
        page = window.PageControl1->ActivePageIndex();
        eventsWhenShown = recorder.events;
        window.Button2->click();
    };
    EXPECT_EQ(app::RunMainWindow(options), 0);
    EXPECT_TRUE(visible);
    EXPECT_FALSE(connected);
    EXPECT_EQ(items, 0);
    EXPECT_EQ(page, 0);
    // The client library's text, its "." dropped by the database layer and put back by the box.
    EXPECT_EQ(eventsWhenShown,
              std::vector<std::string>(
                  {"error: Unable to complete network request to host \"localhost\".\r\n"
                   "Failed to establish a connection.",
                   "dialog: DB연결실패",
                   "dialog: 20240313 → 20240314 매출일자 변경이 중간에 중단되었습니다. 같은 날짜로 "
                   "다시 실행하면 이어서 진행하고, 두 날짜를 바꿔 실행하면 되돌립니다."}));
    ASSERT_EQ(recorder.dialogs.size(), 2u);
    EXPECT_EQ(recorder.dialogs[0].kind, form::DialogKind::Warning);
    EXPECT_EQ(recorder.dialogs[0].buttons, form::DialogButtons::Ok);
    EXPECT_EQ(recorder.dialogs[1].kind, form::DialogKind::Warning);
    // The connection's warning came first, the stopped move's once the window was up.
    EXPECT_EQ(recorder.windowVisible, (std::vector<bool>{false, true}));
    // Closing asked nothing.
    EXPECT_EQ(recorder.events.size(), 3u);
}

TEST(StartupTest, EachPickerReadsTheClockOnItsOwn) {
    DialogRecorder recorder;
    std::vector<QDateTime> times = {QDateTime(QDate(2024, 3, 13), QTime(23, 59, 58)),
                                    QDateTime(QDate(2024, 3, 14), QTime(0, 0, 1))};
    int calls = 0;
    TfmMain window(app_testing::kNoServer, recorder,
                   [&] { return times.at(static_cast<std::size_t>(calls++)); });
    EXPECT_EQ(calls, 2);
    const form::DateTimeValue first = window.PickerValue(form::PickerId::dtChange01);
    const form::DateTimeValue second = window.PickerValue(form::PickerId::dtChange02);
    EXPECT_EQ((std::vector<int>{first.year, first.month, first.day, first.hour, first.minute,
                                first.second}),
              (std::vector<int>{2024, 3, 13, 23, 59, 58}));
    EXPECT_EQ((std::vector<int>{second.year, second.month, second.day, second.hour, second.minute,
                                second.second}),
              (std::vector<int>{2024, 3, 14, 0, 0, 1}));
    EXPECT_EQ(window.dtChange01->date(), QDate(2024, 3, 13));
    // Changing the date keeps the time of day.
    app_testing::SetPickerDate(window, form::PickerId::dtChange01, 2024, 1, 2);
    const form::DateTimeValue changed = window.PickerValue(form::PickerId::dtChange01);
    EXPECT_EQ((std::vector<int>{changed.year, changed.month, changed.day, changed.hour}),
              (std::vector<int>{2024, 1, 2, 23}));
}

TEST(StartupTest, ConnectedStartFillsBothListsShowsServerTextsDecodedAndCloseDiscardsWork) {
    testing_support::TestDatabase database;
    database.ExecAll({"INSERT INTO SS_MASTER (POS_NO) VALUES ('02')",
                      "INSERT INTO SS_MASTER (POS_NO) VALUES ('01')",
                      "INSERT INTO TI_MASTER (TBL_NO, TBL_NM, GRP_NO, GRP_MST_YN) VALUES ('T7', '" +
                          form::Utf8ToCp949("창가 7") + "', 'G1', 'Y')"});
    DialogRecorder recorder;
    auto window = app_testing::OpenWindow(database.Name(), recorder);
    EXPECT_TRUE(recorder.events.empty()) << recorder.events.front();
    EXPECT_TRUE(window->State().IBDatabase1.IsConnected());
    EXPECT_EQ(app_testing::ListTexts(*window, ListBoxId::ListBox1),
              std::vector<std::string>({"01", "02"}));
    EXPECT_EQ(app_testing::ListTexts(*window, ListBoxId::ListBox2),
              std::vector<std::string>({"창가 7"}));
    EXPECT_EQ(window->ItemBytes(ListBoxId::ListBox2, 0), form::Utf8ToCp949("창가 7"));
    EXPECT_EQ(window->ItemBytes(ListBoxId::ListBox2, 1), "");
    EXPECT_EQ(window->State().TableNoList, std::vector<std::string>({"T7"}));

    // A failure quoting a stored Korean value reaches the error box readable.
    form::FormState& state = window->State();
    window->RunHandler(
        [&] { state.IBQuery1.OpenQuery("select cast(tbl_nm as integer) n from ti_master"); });
    EXPECT_EQ(recorder.errorBoxes,
              std::vector<std::string>{"conversion error from string \"창가 7\""});

    // Closing with IBTransaction1 active rolls its work back.
    state.IBQuery1.ExecuteSql("delete from ss_master");
    ASSERT_TRUE(state.IBTransaction1.InTransaction());
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(state.IBDatabase1.IsConnected());
    EXPECT_TRUE(state.TableNoList.empty());
    EXPECT_EQ(database.Count("ss_master"), 2);
    EXPECT_EQ(recorder.events.size(), 1u);
}

}  // namespace
