// The window on a start without a server: the start itself, its layout, its controls as the
// operations see them, focus, page switching, the buttons' wiring, closing, and its behaviour
// while a handler runs.
#include <QImage>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include "app/Fonts.h"
#include "app/MoveJournalFile.h"
#include "form/Cp949.h"
#include "tests/app/AppTestSupport.h"

namespace {

using app::TfmMain;
using form::ListBoxId;
using Names = std::vector<std::string>;
using namespace app_testing;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { window = OpenWindow(kNoServer, recorder); }

    DialogRecorder recorder;
    std::unique_ptr<TfmMain> window;
};

QString TextOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* panel = qobject_cast<app::TPanel*>(widget)) return panel->Caption();
    return QString();
}

// Warnings: lines one empty line apart.
const QString kW12 = "1. 포스 프로그램 종료 후 사용하세요.\n\n2. 반드시 메인포스에서 사용하세요.";
const QString kW3 = kW12 + "\n\n3. 주문중인 포스 및 키오스크가 있을시에는 사용하면 안됩니다.";
const QString kW4 = kW3 + "\n\n4. 완료 후 자료전송 하길 권장합니다.";
const QString kDateWarnings =
    "\n\n3. 주문중일시 사용 불가\n\n4. 변경할 날짜에 매출이 없어야 합니다.\n\n5. 완료 후 자료전송 "
    "필수";

TEST_F(MainWindowTest, FrameTabsAndControlsSitWhereTheyShould) {
    TfmMain& w = *window;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("POS 데이터 변경(관리자)"));
    EXPECT_EQ(w.size(), QSize(710, 513));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());  // not resizable
    EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 0);
    EXPECT_TRUE(w.ListBox1->isVisible());
    EXPECT_FALSE(w.ListBox2->isVisible());
    EXPECT_EQ(w.palette().color(QPalette::Window), w.palette().color(QPalette::Button));
    EXPECT_EQ(w.font().pixelSize(), 11);
    EXPECT_EQ(w.font().family(), app::GulimFamily());
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(w.pos(), app::CentredPosition(screen, w.frameGeometry().size()));

    // Six pages in two rows of fixed tabs, 1-4 and 5-6; every page's controls inside the page.
    const QStringList captions = {"선후불변경",          "강제그룹취소",       "테이블 락 제거",
                                  "상품별인쇄설정 누락", "키오스크 키맵 정리", "매출일자 변경"};
    ASSERT_EQ(w.PageControl1->PageCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(w.PageControl1->TabCaption(i), captions[i]);
        EXPECT_EQ(w.PageControl1->TabRect(i).size(), QSize(166, 40));
        EXPECT_EQ(w.PageControl1->TabRect(i).top(), w.PageControl1->TabRect(i < 4 ? 0 : 4).top());
        for (QWidget* child :
             w.PageControl1->Page(i)->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(w.PageControl1->Page(i)->rect().contains(child->geometry()));
    }
    EXPECT_EQ(w.PageControl1->RowCount(), 2);
    EXPECT_NE(w.PageControl1->TabRect(0).top(), w.PageControl1->TabRect(4).top());
    EXPECT_EQ(w.PageControl1->TabRect(4).left(), w.PageControl1->TabRect(0).left());

    // Name, geometry relative to the parent, font pixel size, bold, text.
    const std::tuple<const char*, QRect, int, bool, QString> controls[] = {
        // clang-format off
        {"PageControl1", {0, 0, 705, 433}, 13, false, {}},
        {"Label8", {17, 446, 384, 33}, 17, true, "* 반드시 메인DB 백업 후 작업하세요 *"},
        {"Button2", {600, 446, 97, 43}, 13, true, "종료"},
        {"Label1", {24, 24, 177, 25}, 19, true, "POS 선택"},
        {"ListBox1", {16, 48, 153, 193}, 13, true, {}},
        {"RadioButton1", {200, 56, 113, 17}, 16, true, "선불제"},
        {"RadioButton2", {200, 88, 113, 17}, 16, true, "후불제"},
        {"Button1", {336, 56, 97, 57}, 11, true, "변경"},
        {"Label2", {184, 144, 273, 65}, 13, true, kW12},
        {"Label3", {24, 24, 177, 25}, 19, true, "그룹 테이블"},
        {"ListBox2", {16, 48, 249, 193}, 13, true, {}},
        {"Button4", {280, 48, 137, 49}, 13, false, "검색"},
        {"Button3", {280, 192, 137, 49}, 13, false, "강제그룹취소"},
        {"Label4", {17, 254, 273, 45}, 13, true, kW12},
        {"Button6", {168, 56, 329, 113}, 13, false, "전체 테이블 락 제거"},
        {"Label6", {17, 222, 464, 75}, 13, true, kW3},
        {"Button7", {168, 56, 329, 113}, 13, false, "상품별인쇄설정 누락시 처리"},
        {"Label7", {17, 192, 464, 113}, 13, true, kW4},
        {"Button8", {168, 56, 329, 113}, 13, false, "키맵이상 정리"},
        {"Label9", {17, 192, 464, 113}, 13, true, kW4},
        {"RadioButton3", {24, 16, 385, 17}, 13, false, "지정된 날짜 변경 (20240313 -> 20240314 로 변경)"},
        {"RadioButton4", {24, 48, 625, 17}, 13, false, "다중 날짜 변경 (20240313 마감 안하고 20240316 일까지 사용시 14,15,16 일로 변경)"},
        {"pblGroup", {8, 80, 673, 257}, 13, false, "상단 옵션중 하나를 선택하세요."},
        {"lbChange01", {8, 16, 145, 25}, 16, false, "잘못되어있는 일자"},
        {"dtChange01", {160, 16, 186, 27}, 19, false, {}},
        {"lbChange02", {8, 48, 145, 25}, 16, false, "변경할 일자"},
        {"dtChange02", {160, 48, 186, 27}, 19, false, {}},
        {"memoChange", {8, 83, 345, 161}, 15, false, {}},
        {"Label12", {377, 19, 288, 133}, 13, true, kW12 + kDateWarnings},
        {"Button9", {488, 181, 177, 57}, 16, true, "매출일자 변경"},
        // clang-format on
    };
    for (const auto& [name, geometry, pixelSize, bold, text] : controls) {
        auto* widget = w.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->geometry(), geometry) << name;
        EXPECT_EQ(widget->font().pixelSize(), pixelSize) << name;
        EXPECT_EQ(widget->font().bold(), bold) << name;
        EXPECT_EQ(TextOf(widget), text) << name;
    }
    EXPECT_EQ(w.Button1->font().family(), app::SansFamily());
    EXPECT_TRUE(w.Label8->alignment() & Qt::AlignVCenter);
    for (QLabel* warning : {w.Label8, w.Label6, w.Label7, w.Label9, w.Label12}) {
        EXPECT_EQ(warning->palette().color(QPalette::WindowText), QColor(Qt::red));
        EXPECT_FALSE(warning->wordWrap());
    }
    EXPECT_EQ(w.Label12->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_EQ(w.lbChange01->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_TRUE(w.dtChange01->calendarPopup());
    EXPECT_EQ(w.memoChange->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(w.memoChange->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(w.memoChange->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(w.memoChange->isReadOnly());
}

// What the operations see of the controls: tags, radio buttons, the date panel and its labels.
TEST_F(MainWindowTest, ControlsReadAndSetAsTheOperationsUseThem) {
    TfmMain& w = *window;
    EXPECT_EQ(w.Tag(form::RadioId::RadioButton3), 1);
    EXPECT_EQ(w.Tag(form::RadioId::RadioButton4), 2);
    EXPECT_FALSE(w.RadioButton1->isChecked() || w.RadioButton2->isChecked());
    w.RadioButton1->setChecked(true);
    EXPECT_TRUE(w.IsChecked(form::RadioId::RadioButton1));
    w.RadioButton2->setChecked(true);
    EXPECT_FALSE(w.IsChecked(form::RadioId::RadioButton1));
    EXPECT_TRUE(w.IsChecked(form::RadioId::RadioButton2));
    EXPECT_FALSE(w.IsChecked(form::RadioId::RadioButton3));

    w.PageControl1->SetActivePageIndex(5);
    EXPECT_TRUE(w.RadioButton3->isVisible());
    for (QWidget* child : std::initializer_list<QWidget*>{w.pblGroup, w.lbChange01, w.dtChange01,
                                                          w.memoChange, w.Button9})
        EXPECT_FALSE(child->isVisible()) << child->objectName().toStdString();
    w.SetPanelCaption("");
    w.SetPanelVisible(true);
    EXPECT_TRUE(w.Button9->isVisible());
    EXPECT_EQ(w.pblGroup->Caption(), "");
    w.SetLabelCaption(form::LabelId::lbChange02, "~");
    w.SetLabelAlignment(form::LabelId::lbChange02, form::Alignment::Right);
    EXPECT_EQ(w.lbChange02->text(), "~");
    EXPECT_EQ(w.lbChange02->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    w.SetLabelAlignment(form::LabelId::lbChange02, form::Alignment::Left);
    EXPECT_EQ(w.lbChange02->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    w.SetPanelVisible(false);
    EXPECT_FALSE(w.memoChange->isVisible());
}

// Tab pressed on the focus widget, as often as asked; the names of the widgets reached.
Names TabWalk(TfmMain& window, QWidget* start, int steps) {
    Activate(&window);
    start->setFocus(Qt::TabFocusReason);
    Names names;
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        // A date picker's focus sits in its inner line edit.
        while (focus && focus->objectName().isEmpty()) focus = focus->parentWidget();
        names.push_back(focus ? focus->objectName().toStdString() : "<none>");
    }
    return names;
}

TEST_F(MainWindowTest, FocusOrderFollowsTheLayoutAndPagesSwitchByTabClickAndCtrlTab) {
    TfmMain& w = *window;
    Names chain;  // the focus chain, as far as it takes the keyboard focus
    QWidget* next = w.PageControl1;
    do {
        if ((next->focusPolicy() & Qt::TabFocus) && !next->objectName().isEmpty() &&
            next->window() == &w && !next->focusProxy())
            chain.push_back(next->objectName().toStdString());
        next = next->nextInFocusChain();
    } while (next != w.PageControl1);
    EXPECT_EQ(chain, Names({"PageControl1", "ListBox1", "RadioButton1", "RadioButton2", "Button1",
                            "ListBox2", "Button3", "Button4", "Button6", "Button7", "Button8",
                            "RadioButton3", "RadioButton4", "dtChange01", "Button9", "dtChange02",
                            "memoChange", "Button2"}));
    // Tab walks the visible page only, then the exit button and back to the tabs; inside the date
    // panel Tab leaves a picker at once and the log passes it on.
    w.PageControl1->SetActivePageIndex(1);
    EXPECT_EQ(TabWalk(w, w.PageControl1, 5),
              Names({"ListBox2", "Button3", "Button4", "Button2", "PageControl1"}));
    w.PageControl1->SetActivePageIndex(5);
    w.SetPanelVisible(true);
    EXPECT_EQ(TabWalk(w, w.RadioButton4, 5),
              Names({"dtChange01", "Button9", "dtChange02", "memoChange", "Button2"}));
    w.SetPanelVisible(false);

    QTest::mouseClick(w.PageControl1, Qt::LeftButton, Qt::NoModifier,
                      w.PageControl1->TabRect(2).center());
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 2);
    EXPECT_TRUE(w.Button6->isVisible());
    // The row of the active tab moved next to the page; clicking tab 5 still finds it.
    QTest::mouseClick(w.PageControl1, Qt::LeftButton, Qt::NoModifier,
                      w.PageControl1->TabRect(4).center());
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 4);

    // Keys pressed on a widget (none: where the focus is) and the page each leads to: Ctrl+Tab
    // and Ctrl+Shift+Tab wrap around inside the page control, even from the log, and switch
    // nothing elsewhere; the arrow keys move between tabs while the tab strip has the focus.
    w.PageControl1->SetActivePageIndex(0);
    w.SetPanelVisible(true);
    const std::tuple<QWidget*, Qt::Key, Qt::KeyboardModifiers, int> keys[] = {
        {w.ListBox1, Qt::Key_Tab, Qt::ControlModifier, 1},
        {nullptr, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 0},
        {nullptr, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 5},
        {w.memoChange, Qt::Key_Tab, Qt::ControlModifier, 0},
        {w.PageControl1, Qt::Key_Right, Qt::NoModifier, 1},
        {w.PageControl1, Qt::Key_Left, Qt::NoModifier, 0},
        {w.Button2, Qt::Key_Tab, Qt::ControlModifier, 0},
    };
    for (const auto& [widget, key, modifiers, page] : keys) {
        if (widget) widget->setFocus();
        QTest::keyClick(widget ? widget : QApplication::focusWidget(), key, modifiers);
        EXPECT_EQ(w.PageControl1->ActivePageIndex(), page) << key;
    }
    EXPECT_TRUE(w.memoChange->toPlainText().isEmpty());  // no tab typed into the log
}

TEST_F(MainWindowTest, ListItemsKeepTheirBytesShowDecodedTextAndAreDrawnFromTheLeftEdge) {
    const std::string table = form::Utf8ToCp949("창가 1&2");
    for (const std::string& item : {table, std::string("T 02"), table})  // duplicates stay
        window->AppendItem(ListBoxId::ListBox2, item);
    EXPECT_EQ(window->ItemCount(ListBoxId::ListBox2), 3);
    EXPECT_EQ(window->ItemBytes(ListBoxId::ListBox2, 2), table);
    EXPECT_EQ(window->ItemBytes(ListBoxId::ListBox2, 3), "");
    EXPECT_EQ(ListTexts(*window, ListBoxId::ListBox2), Names({"창가 1&2", "T 02", "창가 1&2"}));
    EXPECT_EQ(window->SelectedIndex(ListBoxId::ListBox2), -1);
    SelectRow(*window, ListBoxId::ListBox2, 1);
    EXPECT_EQ(window->SelectedIndex(ListBoxId::ListBox2), 1);
    EXPECT_EQ(window->ListBox2->visualItemRect(window->ListBox2->item(1)).height(), 20);
    // A click below the last row keeps the selection.
    QTest::mouseClick(window->ListBox2->viewport(), Qt::LeftButton, Qt::NoModifier, {20, 150});
    EXPECT_EQ(window->SelectedIndex(ListBoxId::ListBox2), 1);
    EXPECT_EQ(window->SelectedIndex(ListBoxId::ListBox1), -1);
    window->Label3->setFocus();  // no focus rectangle in the picture
    const QImage image = window->ListBox2->viewport()->grab().toImage();
    const QPalette& pal = window->ListBox2->palette();
    const QRect row0 = window->ListBox2->visualItemRect(window->ListBox2->item(0));
    const QRect row1 = window->ListBox2->visualItemRect(window->ListBox2->item(1));
    const QColor base = pal.color(QPalette::Active, QPalette::Base);
    EXPECT_EQ(QColor(image.pixel(row1.right() - 2, row1.center().y())),
              pal.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(QColor(image.pixel(row0.right() - 2, row0.center().y())), base);
    // The text starts 2 px from the left edge; some pixel after that is text-coloured.
    bool text = false;
    for (int y = row0.top(); y <= row0.bottom(); ++y) {
        EXPECT_EQ(QColor(image.pixel(0, y)), base);
        EXPECT_EQ(QColor(image.pixel(1, y)), base);
        for (int x = 2; x < 40; ++x) text = text || QColor(image.pixel(x, y)) != base;
    }
    EXPECT_TRUE(text);
    window->ClearItems(ListBoxId::ListBox2);
    EXPECT_EQ(window->ItemCount(ListBoxId::ListBox2), 0);
    EXPECT_EQ(window->SelectedIndex(ListBoxId::ListBox2), -1);
}

TEST_F(MainWindowTest, LogAppendsClearsAndScrollsLineByLine) {
    window->AppendLog("[지정된 날짜 변경] 진행중");
    window->AppendLog("두번째 줄");
    EXPECT_EQ(LogLines(*window), Names({"[지정된 날짜 변경] 진행중", "두번째 줄"}));
    window->ClearLog();
    EXPECT_TRUE(LogLines(*window).empty());
    window->AppendLogLines({"", "", "셋째 줄"});  // a batch, as the running operation's lines come
    EXPECT_EQ(LogLines(*window), Names({"", "", "셋째 줄"}));

    // A move's batch reads back line by line, 32 lines a block, each line counted as a line,
    // also out of view; in view the log follows its end and scrolls a line a step.
    Names batch;
    for (int i = 0; i < 100; ++i) batch.push_back("OS_ORDER->" + std::to_string(i));
    for (const bool inView : {false, true}) {
        window->PageControl1->SetActivePageIndex(inView ? 5 : 0);
        window->SetPanelVisible(inView);
        window->ClearLog();
        window->AppendLogLines(batch);
        EXPECT_EQ(LogLines(*window), batch);
        EXPECT_EQ(window->memoChange->blockCount(), 4);
        EXPECT_EQ(window->memoChange->document()->lineCount(), 100);
    }
    const QScrollBar* bar = window->memoChange->verticalScrollBar();
    EXPECT_EQ(bar->maximum() + bar->pageStep(), 100);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(MainWindowTest, EveryButtonReachesItsOwnOperationAndAFailureIsShown) {
    // Without a server each button shows the first dialog of its own operation; every question
    // is answered Cancel, so nothing goes further.
    window->AppendItem(ListBoxId::ListBox2, "T1");
    window->State().TableNoList = {"T1"};
    SelectRow(*window, ListBoxId::ListBox2, 0);
    const std::pair<const char*, const char*> firstDialogs[] = {
        {"Button1", "DB연결실패"},
        {"Button3", "T1\r\n강제 그룹취소를 하시겠습니까?"},
        {"Button4", "그룹데이터 확인 실패"},
        {"Button6", "테이블 락 제거 진행하시겠습니까?"},
        {"Button7", "상품별인쇄설정 누락시 처리 진행하시겠습니까?"},
        {"Button8", "키맵이상 정리 진행하시겠습니까?"},
        {"RadioButton4", nullptr},
        {"Button9", "매출일자 변경 진행하시겠습니까?"},
    };
    for (const auto& [name, text] : firstDialogs) {
        recorder.dialogs.clear();
        recorder.answers = {form::kResultCancel};
        Click(*window, QString::fromLatin1(name));
        EXPECT_EQ(recorder.DialogTexts(), text ? Names{text} : Names{}) << name;
    }
    // Each mode of the date page labels the panel its own way.
    EXPECT_EQ(window->lbChange01->text(), QStringLiteral("일자선택"));
    Click(*window, "RadioButton3");
    EXPECT_EQ(window->lbChange01->text(), QStringLiteral("잘못되어있는 일자"));

    // A failure leaving a handler is shown, and the window stays as it was.
    EXPECT_TRUE(window->RunHandler([] { throw std::runtime_error("read failed"); }));
    EXPECT_EQ(recorder.errorBoxes.back(), "read failed.");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->PageControl1->ActivePageIndex(), 5);
    EXPECT_FALSE(window->IsBusy());
}

TEST_F(MainWindowTest, ExitButtonCloseBoxAndAltF4CloseOnceWithoutAQuestion) {
    const std::function<void(TfmMain&)> closeWays[] = {
        [](TfmMain& w) { Click(w, "Button2"); },
        [](TfmMain& w) { QTest::keyClick(w.Button1, Qt::Key_F4, Qt::AltModifier); },
        [](TfmMain& w) { EXPECT_TRUE(w.close()); },  // the close box
    };
    for (const auto& close : closeWays) {
        auto w = OpenWindow(kNoServer, recorder);
        QSignalSpy closed(w.get(), &TfmMain::Closed);
        w->State().TableNoList = {"T1", "T2"};
        close(*w);
        EXPECT_EQ(closed.count(), 1);
        EXPECT_FALSE(w->isVisible());
        EXPECT_TRUE(w->State().TableNoList.empty());
        w->close();  // already closed: FormClose does not run again
        EXPECT_EQ(closed.count(), 1);
    }
    EXPECT_EQ(recorder.DialogTexts(), Names(4, "DB연결실패"));
}

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
    options.databaseName = kNoServer;
    options.dialogs = &recorder;
    // A date move of this database that an earlier run left stopped part-way.
    QTemporaryDir journalDir;
    app::MoveJournalFile journal(journalDir.path());
    ASSERT_TRUE(journal.Write(options.databaseName,
                              {"20240313", "20240314", "", {{"OS_Order", "1", "1"}}, ""}));
    options.moveJournal = &journal;
    bool shown = false;
    options.onShown = [&](TfmMain& window) {
        shown = window.isVisible();
        EXPECT_FALSE(window.State().IBDatabase1.IsConnected());
        EXPECT_EQ(window.ItemCount(ListBoxId::ListBox1) + window.ItemCount(ListBoxId::ListBox2), 0);
        EXPECT_EQ(recorder.events.size(), 3u);
        window.Button2->click();
    };
    EXPECT_EQ(app::RunMainWindow(options), 0);
    EXPECT_TRUE(shown);
    // The client library's text, its "." dropped by the database layer and put back by the box;
    // the connection's warning before the window is shown, the stopped move's once it is up;
    // closing asks nothing.
    EXPECT_EQ(
        recorder.events,
        Names({"error: Unable to complete network request to host \"localhost\".\r\n"
               "Failed to establish a connection.",
               "dialog: DB연결실패",
               "dialog: 20240313 → 20240314 매출일자 변경이 중간에 중단되었습니다. 같은 날짜로 "
               "다시 실행하면 이어서 진행하고, 두 날짜를 바꿔 실행하면 되돌립니다."}));
    EXPECT_EQ(recorder.windowVisible, (std::vector<bool>{false, true}));
    for (const auto& dialog : recorder.dialogs) {
        EXPECT_EQ(dialog.kind, form::DialogKind::Warning);
        EXPECT_EQ(dialog.buttons, form::DialogButtons::Ok);
    }
}

TEST(StartupTest, EachPickerReadsTheClockOnItsOwnAndADateKeepsItsTime) {
    DialogRecorder recorder;
    std::vector<QDateTime> times = {QDateTime(QDate(2024, 3, 13), QTime(23, 59, 58)),
                                    QDateTime(QDate(2024, 3, 14), QTime(0, 0, 1))};
    int calls = 0;
    TfmMain window(kNoServer, recorder,
                   [&] { return times.at(static_cast<std::size_t>(calls++)); });
    EXPECT_EQ(calls, 2);
    const auto fields = [&](form::PickerId picker) {
        const form::DateTimeValue v = window.PickerValue(picker);
        return std::vector<int>{v.year, v.month, v.day, v.hour, v.minute, v.second};
    };
    EXPECT_EQ(fields(form::PickerId::dtChange01), (std::vector<int>{2024, 3, 13, 23, 59, 58}));
    EXPECT_EQ(fields(form::PickerId::dtChange02), (std::vector<int>{2024, 3, 14, 0, 0, 1}));
    EXPECT_EQ(window.dtChange01->date(), QDate(2024, 3, 13));
    window.dtChange01->SetDateTime(
        QDateTime(QDate(2024, 1, 2), window.dtChange01->DateTime().time()));
    EXPECT_EQ(fields(form::PickerId::dtChange01), (std::vector<int>{2024, 1, 2, 23, 59, 58}));
}

// Records the number of log lines each time the log's visible area is painted.
struct PaintCounter : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) linesAtPaint.push_back(memo->blockCount());
        return false;
    }
    QPlainTextEdit* memo;
    std::vector<int> linesAtPaint;
};

void PostClick(QWidget* target) {
    const QPointF pos(target->rect().center()), global(target->mapToGlobal(pos));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(
            target,
            new QMouseEvent(type, pos, global, Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
}

// A run with the window busy for a while: each log line is painted while the handler still runs.
TEST_F(MainWindowTest,
       InputAndClosingDuringARunAreDroppedItsDialogsTakeTheKeyboardItsLogIsPainted) {
    window->PageControl1->SetActivePageIndex(5);
    window->SetPanelVisible(true);
    QApplication::processEvents();
    PaintCounter counter;
    counter.memo = window->memoChange;
    window->memoChange->viewport()->installEventFilter(&counter);
    QSignalSpy closed(window.get(), &TfmMain::Closed);
    Activate(window.get());
    window->memoChange->setFocus();
    bool inner = true;
    int answer = 0;
    form::OperationRunner& runner = window->Runner();
    auto seen = PressInNextModal({Qt::Key_Tab, Qt::Key_Return});
    window->RunHandler([&] {
        answer = runner.OnWindowThread([] {
            return app::StandardDialogs().MessageDialog("매출일자 변경 진행하시겠습니까?",
                                                        form::DialogKind::Information,
                                                        form::DialogButtons::OkCancel);
        });
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
            QThread::msleep(form::OperationRunner::kTickMs + 60);
            window->State().ui.AppendLog("step " + std::to_string(i));
        }
    });
    EXPECT_TRUE(seen->seen);
    EXPECT_EQ(answer, form::kResultCancel);
    EXPECT_FALSE(inner);
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->PageControl1->ActivePageIndex(), 5);
    EXPECT_FALSE(window->RadioButton3->isChecked());
    EXPECT_EQ(LogLines(*window), Names({"step 0", "step 1", "step 2"}));
    EXPECT_FALSE(window->IsBusy());
    // Every append after a pause of more than the paint interval was painted before the next.
    for (int lines : {2, 3}) {
        EXPECT_NE(std::find(counter.linesAtPaint.begin(), counter.linesAtPaint.end(), lines),
                  counter.linesAtPaint.end())
            << lines << " lines never painted during the run";
    }

    // After the run the window takes input again.
    Click(*window, "RadioButton3");
    EXPECT_TRUE(window->RadioButton3->isChecked());
    Click(*window, "Button2");
    EXPECT_EQ(closed.count(), 1);
}

}  // namespace
