// The window's layout, its controls as the operations see them, page switching and closing,
// on a window that starts without a server.
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "app/Fonts.h"
#include "app/MainWindow.h"
#include "app/MessageDialog.h"
#include "form/Cp949.h"
#include "tests/app/AppTestSupport.h"

namespace {

using app::TfmMain;
using app_testing::DialogRecorder;
using form::ListBoxId;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { window = app_testing::OpenWindow(app_testing::kNoServer, recorder); }

    DialogRecorder recorder;
    std::unique_ptr<TfmMain> window;
};

struct Expected {
    const char* name;
    QRect geometry;  // relative to the parent's client area
    const char* text;
    int pixelSize;
    bool bold;
};

QString TextOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* panel = qobject_cast<app::TPanel*>(widget)) return panel->Caption();
    return QString();
}

void CheckControls(TfmMain& window, const std::vector<Expected>& controls) {
    for (const Expected& e : controls) {
        auto* widget = window.findChild<QWidget*>(QString::fromLatin1(e.name));
        ASSERT_NE(widget, nullptr) << e.name;
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        if (e.text) {
            EXPECT_EQ(TextOf(widget), QString::fromUtf8(e.text)) << e.name;
        }
        EXPECT_EQ(widget->font().pixelSize(), e.pixelSize) << e.name;
        EXPECT_EQ(widget->font().bold(), e.bold) << e.name;
    }
}

const char* const kW1 = "1. 포스 프로그램 종료 후 사용하세요.";
const char* const kW2 = "2. 반드시 메인포스에서 사용하세요.";
const char* const kW3 = "3. 주문중인 포스 및 키오스크가 있을시에는 사용하면 안됩니다.";
const char* const kW4 = "4. 완료 후 자료전송 하길 권장합니다.";

std::string Joined(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += (text.empty() ? "" : "\n\n") + std::string(line);
    return text;
}

TEST_F(MainWindowTest, OpensOnTheFirstPageWithItsFixedFrameAndClientArea) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("POS 데이터 변경(관리자)"));
    EXPECT_EQ(window->size(), QSize(710, 513));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());  // not resizable
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->PageControl1->ActivePageIndex(), 0);
    EXPECT_TRUE(window->ListBox1->isVisible());
    EXPECT_FALSE(window->ListBox2->isVisible());
    EXPECT_EQ(window->palette().color(QPalette::Window), window->palette().color(QPalette::Button));
    EXPECT_EQ(window->font().pixelSize(), 11);
    EXPECT_EQ(window->font().family(), app::GulimFamily());
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(window->pos(), app::CentredPosition(screen, window->frameGeometry().size()));
}

TEST_F(MainWindowTest, PageControlHasSixPagesInTwoRowsOfFixedTabs) {
    TfmMain& w = *window;
    EXPECT_EQ(w.PageControl1->geometry(), QRect(0, 0, 705, 433));
    EXPECT_EQ(w.PageControl1->font().pixelSize(), 13);
    const char* captions[] = {"선후불변경",          "강제그룹취소",       "테이블 락 제거",
                              "상품별인쇄설정 누락", "키오스크 키맵 정리", "매출일자 변경"};
    ASSERT_EQ(w.PageControl1->PageCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(w.PageControl1->TabCaption(i), QString::fromUtf8(captions[i]));
        EXPECT_EQ(w.PageControl1->TabRect(i).size(), QSize(166, 40));
    }
    EXPECT_EQ(w.PageControl1->TabsPerRow(), 4);
    EXPECT_EQ(w.PageControl1->RowCount(), 2);
    // Tabs 1-4 share a row, 5-6 the other.
    EXPECT_EQ(w.PageControl1->TabRect(0).top(), w.PageControl1->TabRect(3).top());
    EXPECT_EQ(w.PageControl1->TabRect(4).top(), w.PageControl1->TabRect(5).top());
    EXPECT_NE(w.PageControl1->TabRect(0).top(), w.PageControl1->TabRect(4).top());
    EXPECT_EQ(w.PageControl1->TabRect(4).left(), w.PageControl1->TabRect(0).left());
    // Every page's controls fit inside the page.
    for (int i = 0; i < 6; ++i) {
        QWidget* page = w.PageControl1->Page(i);
        for (QWidget* child : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            EXPECT_TRUE(QRect(QPoint(0, 0), page->size()).contains(child->geometry()))
                << child->objectName().toStdString();
        }
    }
}

TEST_F(MainWindowTest, ControlsOfTheWindowAndTheFirstTwoPages) {
    CheckControls(*window,
                  {{"Label8", {17, 446, 384, 33}, "* 반드시 메인DB 백업 후 작업하세요 *", 17, true},
                   {"Button2", {600, 446, 97, 43}, "종료", 13, true},
                   {"Label1", {24, 24, 177, 25}, "POS 선택", 19, true},
                   {"ListBox1", {16, 48, 153, 193}, nullptr, 13, true},
                   {"RadioButton1", {200, 56, 113, 17}, "선불제", 16, true},
                   {"RadioButton2", {200, 88, 113, 17}, "후불제", 16, true},
                   {"Button1", {336, 56, 97, 57}, "변경", 11, true},
                   {"Label2", {184, 144, 273, 65}, Joined({kW1, kW2}).c_str(), 13, true},
                   {"Label3", {24, 24, 177, 25}, "그룹 테이블", 19, true},
                   {"ListBox2", {16, 48, 249, 193}, nullptr, 13, true},
                   {"Button4", {280, 48, 137, 49}, "검색", 13, false},
                   {"Button3", {280, 192, 137, 49}, "강제그룹취소", 13, false},
                   {"Label4", {17, 254, 273, 45}, Joined({kW1, kW2}).c_str(), 13, true}});
    EXPECT_EQ(window->Button1->font().family(), app::SansFamily());
    EXPECT_EQ(window->Label8->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_TRUE(window->Label8->alignment() & Qt::AlignVCenter);
    EXPECT_FALSE(window->RadioButton1->isChecked());
    EXPECT_FALSE(window->RadioButton2->isChecked());
}

TEST_F(MainWindowTest, ControlsOfTheRepairPagesAndTheDatePage) {
    CheckControls(
        *window,
        {{"Button6", {168, 56, 329, 113}, "전체 테이블 락 제거", 13, false},
         {"Label6", {17, 222, 464, 75}, Joined({kW1, kW2, kW3}).c_str(), 13, true},
         {"Button7", {168, 56, 329, 113}, "상품별인쇄설정 누락시 처리", 13, false},
         {"Label7", {17, 192, 464, 113}, Joined({kW1, kW2, kW3, kW4}).c_str(), 13, true},
         {"Button8", {168, 56, 329, 113}, "키맵이상 정리", 13, false},
         {"Label9", {17, 192, 464, 113}, Joined({kW1, kW2, kW3, kW4}).c_str(), 13, true},
         {"RadioButton3",
          {24, 16, 385, 17},
          "지정된 날짜 변경 (20240313 -> 20240314 로 변경)",
          13,
          false},
         {"RadioButton4",
          {24, 48, 625, 17},
          "다중 날짜 변경 (20240313 마감 안하고 20240316 일까지 사용시 14,15,16 일로 변경)",
          13,
          false},
         {"pblGroup", {8, 80, 673, 257}, "상단 옵션중 하나를 선택하세요.", 13, false},
         {"lbChange01", {8, 16, 145, 25}, "잘못되어있는 일자", 16, false},
         {"dtChange01", {160, 16, 186, 27}, nullptr, 19, false},
         {"lbChange02", {8, 48, 145, 25}, "변경할 일자", 16, false},
         {"dtChange02", {160, 48, 186, 27}, nullptr, 19, false},
         {"memoChange", {8, 83, 345, 161}, nullptr, 15, false},
         {"Label12",
          {377, 19, 288, 133},
          Joined({kW1, kW2, "3. 주문중일시 사용 불가", "4. 변경할 날짜에 매출이 없어야 합니다.",
                  "5. 완료 후 자료전송 필수"})
              .c_str(),
          13,
          true},
         {"Button9", {488, 181, 177, 57}, "매출일자 변경", 16, true}});
    for (QLabel* warning : {window->Label6, window->Label7, window->Label9, window->Label12}) {
        EXPECT_EQ(warning->palette().color(QPalette::WindowText), QColor(Qt::red));
        EXPECT_EQ(warning->alignment(), Qt::AlignLeft | Qt::AlignTop);
        EXPECT_FALSE(warning->wordWrap());
    }
    EXPECT_EQ(window->lbChange01->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(window->Tag(form::RadioId::RadioButton3), 1);
    EXPECT_EQ(window->Tag(form::RadioId::RadioButton4), 2);
    EXPECT_TRUE(window->dtChange01->calendarPopup());
    EXPECT_EQ(window->memoChange->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(window->memoChange->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(window->memoChange->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(window->memoChange->isReadOnly());
}

TEST_F(MainWindowTest, DatePanelIsHiddenWithEverythingInItUntilShown) {
    window->PageControl1->SetActivePageIndex(5);
    EXPECT_TRUE(window->RadioButton3->isVisible());
    EXPECT_FALSE(window->pblGroup->isVisible());
    for (QWidget* child : std::initializer_list<QWidget*>{window->lbChange01, window->dtChange01,
                                                          window->memoChange, window->Button9}) {
        EXPECT_FALSE(child->isVisible()) << child->objectName().toStdString();
    }
    window->SetPanelCaption("");
    window->SetPanelVisible(true);
    EXPECT_TRUE(window->Button9->isVisible());
    EXPECT_EQ(window->pblGroup->Caption(), "");
    window->SetLabelCaption(form::LabelId::lbChange02, "~");
    window->SetLabelAlignment(form::LabelId::lbChange02, form::Alignment::Right);
    EXPECT_EQ(window->lbChange02->text(), "~");
    EXPECT_EQ(window->lbChange02->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    window->SetLabelAlignment(form::LabelId::lbChange02, form::Alignment::Left);
    EXPECT_EQ(window->lbChange02->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    window->SetPanelVisible(false);
    EXPECT_FALSE(window->memoChange->isVisible());
}

// The focus chain of the window, as far as it takes the keyboard focus.
std::vector<std::string> FocusChain(TfmMain& window) {
    std::vector<std::string> names;
    QWidget* w = window.PageControl1;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() &&
            w->window() == &window && !w->focusProxy()) {
            names.push_back(w->objectName().toStdString());
        }
        w = w->nextInFocusChain();
    } while (w != window.PageControl1);
    return names;
}

// Tab pressed on the focus widget, as often as asked; the names of the widgets reached.
std::vector<std::string> TabWalk(TfmMain& window, QWidget* start, int steps) {
    app_testing::Activate(&window);
    start->setFocus(Qt::TabFocusReason);
    std::vector<std::string> names;
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        // A date picker's focus sits in its inner line edit.
        while (focus && focus->objectName().isEmpty()) focus = focus->parentWidget();
        names.push_back(focus ? focus->objectName().toStdString() : "<none>");
    }
    return names;
}

TEST_F(MainWindowTest, FocusOrderFollowsTheLayout) {
    const std::vector<std::string> chain = FocusChain(*window);
    EXPECT_EQ(chain, std::vector<std::string>({"PageControl1", "ListBox1", "RadioButton1",
                                               "RadioButton2", "Button1", "ListBox2", "Button3",
                                               "Button4", "Button6", "Button7", "Button8",
                                               "RadioButton3", "RadioButton4", "dtChange01",
                                               "Button9", "dtChange02", "memoChange", "Button2"}));
    // Tab walks the visible page only, then the exit button and back to the tabs.
    window->PageControl1->SetActivePageIndex(1);
    EXPECT_EQ(
        TabWalk(*window, window->PageControl1, 5),
        std::vector<std::string>({"ListBox2", "Button3", "Button4", "Button2", "PageControl1"}));
    // Inside the date panel Tab leaves a picker at once and the log passes it on.
    window->PageControl1->SetActivePageIndex(5);
    window->SetPanelVisible(true);
    EXPECT_EQ(
        TabWalk(*window, window->RadioButton4, 5),
        std::vector<std::string>({"dtChange01", "Button9", "dtChange02", "memoChange", "Button2"}));
}

TEST_F(MainWindowTest, PagesSwitchByTabClickAndCtrlTabInsideThePageControlOnly) {
    TfmMain& w = *window;
    QTest::mouseClick(w.PageControl1, Qt::LeftButton, Qt::NoModifier,
                      w.PageControl1->TabRect(2).center());
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 2);
    EXPECT_TRUE(w.Button6->isVisible());
    // The row of the active tab moved next to the page; clicking tab 5 still finds it.
    QTest::mouseClick(w.PageControl1, Qt::LeftButton, Qt::NoModifier,
                      w.PageControl1->TabRect(4).center());
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 4);

    w.PageControl1->SetActivePageIndex(0);
    app_testing::Activate(&w);
    w.ListBox1->setFocus();
    QTest::keyClick(w.ListBox1, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 5);  // wraps around
    w.SetPanelVisible(true);
    w.memoChange->setFocus();
    QTest::keyClick(w.memoChange, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 0);
    EXPECT_TRUE(w.memoChange->toPlainText().isEmpty());  // no tab typed into the log

    // Arrow keys move between tabs while the tab strip has the focus.
    w.PageControl1->setFocus();
    QTest::keyClick(w.PageControl1, Qt::Key_Right);
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 1);
    QTest::keyClick(w.PageControl1, Qt::Key_Left);
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 0);

    // Outside the page control Ctrl+Tab switches nothing.
    w.Button2->setFocus();
    QTest::keyClick(w.Button2, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), 0);
}

TEST_F(MainWindowTest, ListItemsKeepTheirBytesAndShowDecodedText) {
    const std::string table = form::Utf8ToCp949("창가 1&2");
    window->AppendItem(ListBoxId::ListBox2, table);
    window->AppendItem(ListBoxId::ListBox2, "T 02");
    window->AppendItem(ListBoxId::ListBox2, table);  // duplicates stay
    EXPECT_EQ(window->ItemCount(ListBoxId::ListBox2), 3);
    EXPECT_EQ(window->ItemBytes(ListBoxId::ListBox2, 0), table);
    EXPECT_EQ(window->ItemBytes(ListBoxId::ListBox2, 2), table);
    EXPECT_EQ(app_testing::ListTexts(*window, ListBoxId::ListBox2),
              std::vector<std::string>({"창가 1&2", "T 02", "창가 1&2"}));
    EXPECT_EQ(window->SelectedIndex(ListBoxId::ListBox2), -1);
    app_testing::SelectRow(*window, ListBoxId::ListBox2, 1);
    EXPECT_EQ(window->SelectedIndex(ListBoxId::ListBox2), 1);
    EXPECT_EQ(window->ListBox2->visualItemRect(window->ListBox2->item(1)).height(), 20);
    // A click below the last row keeps the selection.
    QTest::mouseClick(window->ListBox2->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(20, 150));
    EXPECT_EQ(window->SelectedIndex(ListBoxId::ListBox2), 1);
    EXPECT_EQ(window->SelectedIndex(ListBoxId::ListBox1), -1);
    window->ClearItems(ListBoxId::ListBox2);
    EXPECT_EQ(window->ItemCount(ListBoxId::ListBox2), 0);
    EXPECT_EQ(window->SelectedIndex(ListBoxId::ListBox2), -1);
}

TEST_F(MainWindowTest, ListRowsAreDrawnWithBackgroundOrHighlightFromTheLeftEdge) {
    window->AppendItem(ListBoxId::ListBox1, "01");
    window->AppendItem(ListBoxId::ListBox1, "02");
    app_testing::SelectRow(*window, ListBoxId::ListBox1, 1);
    window->Label1->setFocus();  // no focus rectangle in the picture
    const QImage image = window->ListBox1->viewport()->grab().toImage();
    const QPalette& pal = window->ListBox1->palette();
    const QRect row0 = window->ListBox1->visualItemRect(window->ListBox1->item(0));
    const QRect row1 = window->ListBox1->visualItemRect(window->ListBox1->item(1));
    EXPECT_EQ(QColor(image.pixel(row1.right() - 2, row1.center().y())),
              pal.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(QColor(image.pixel(row0.right() - 2, row0.center().y())),
              pal.color(QPalette::Active, QPalette::Base));
    // The text starts 2 px from the left edge: columns 0 and 1 are plain background.
    for (int y = row0.top(); y <= row0.bottom(); ++y) {
        EXPECT_EQ(QColor(image.pixel(0, y)), pal.color(QPalette::Active, QPalette::Base));
        EXPECT_EQ(QColor(image.pixel(1, y)), pal.color(QPalette::Active, QPalette::Base));
    }
    // Some pixel of the first row is text-coloured.
    bool text = false;
    for (int x = 2; x < 40 && !text; ++x) {
        for (int y = row0.top(); y <= row0.bottom() && !text; ++y) {
            text = QColor(image.pixel(x, y)) != pal.color(QPalette::Active, QPalette::Base);
        }
    }
    EXPECT_TRUE(text);
}

TEST_F(MainWindowTest, RadioButtonsOfAPageFormOneGroup) {
    window->RadioButton1->setChecked(true);
    EXPECT_TRUE(window->IsChecked(form::RadioId::RadioButton1));
    window->RadioButton2->setChecked(true);
    EXPECT_FALSE(window->IsChecked(form::RadioId::RadioButton1));
    EXPECT_TRUE(window->IsChecked(form::RadioId::RadioButton2));
    EXPECT_FALSE(window->IsChecked(form::RadioId::RadioButton3));
}

TEST_F(MainWindowTest, LogAppendsAndClears) {
    window->AppendLog("[지정된 날짜 변경] 진행중");
    window->AppendLog("두번째 줄");
    EXPECT_EQ(app_testing::LogLines(*window),
              std::vector<std::string>({"[지정된 날짜 변경] 진행중", "두번째 줄"}));
    window->ClearLog();
    EXPECT_TRUE(app_testing::LogLines(*window).empty());
    window->AppendLogLines({"", "", "셋째 줄"});  // a batch, as the running operation's lines come
    EXPECT_EQ(app_testing::LogLines(*window), std::vector<std::string>({"", "", "셋째 줄"}));

    // A move's batch reads back line by line, 32 lines a block, each line counted as a line,
    // also out of view; in view the log follows its end and scrolls a line a step.
    std::vector<std::string> batch;
    for (int i = 0; i < 100; ++i) batch.push_back("OS_ORDER->" + std::to_string(i));
    for (const bool inView : {false, true}) {
        window->PageControl1->SetActivePageIndex(inView ? 5 : 0);
        window->SetPanelVisible(inView);
        window->ClearLog();
        window->AppendLogLines(batch);
        EXPECT_EQ(app_testing::LogLines(*window), batch);
        EXPECT_EQ(window->memoChange->blockCount(), 4);
        EXPECT_EQ(window->memoChange->document()->lineCount(), 100);
    }
    const QScrollBar* bar = window->memoChange->verticalScrollBar();
    EXPECT_EQ(bar->maximum() + bar->pageStep(), 100);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(MainWindowTest, AFailureLeavingAHandlerIsShownAndTheWindowStaysAsItWas) {
    window->PageControl1->SetActivePageIndex(3);
    const auto before = recorder.errorBoxes.size();
    EXPECT_TRUE(window->RunHandler([] { throw std::runtime_error("read failed"); }));
    ASSERT_EQ(recorder.errorBoxes.size(), before + 1);
    EXPECT_EQ(recorder.errorBoxes.back(), "read failed.");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->PageControl1->ActivePageIndex(), 3);
    EXPECT_FALSE(window->IsBusy());
}

TEST_F(MainWindowTest, EveryButtonReachesItsOwnOperation) {
    // Without a server each button shows the first dialog of its own operation; every question
    // is answered Cancel, so nothing goes further.
    window->AppendItem(ListBoxId::ListBox2, "T1");
    window->State().TableNoList = {"T1"};
    app_testing::SelectRow(*window, ListBoxId::ListBox2, 0);
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
        app_testing::Click(*window, QString::fromLatin1(name));
        EXPECT_EQ(recorder.DialogTexts(),
                  text ? std::vector<std::string>{text} : std::vector<std::string>{})
            << name;
    }
    EXPECT_EQ(window->ItemCount(ListBoxId::ListBox2), 0);  // the search emptied the list
    EXPECT_TRUE(app_testing::LogLines(*window).empty());   // the date change did not start
    // Each mode of the date page labels the panel its own way.
    EXPECT_EQ(window->lbChange01->text(), QStringLiteral("일자선택"));
    app_testing::Click(*window, "RadioButton3");
    EXPECT_EQ(window->lbChange01->text(), QStringLiteral("잘못되어있는 일자"));
}

TEST_F(MainWindowTest, ExitButtonCloseBoxAndAltF4CloseOnceWithoutAQuestion) {
    QSignalSpy closed(window.get(), &TfmMain::Closed);
    window->State().TableNoList = {"T1", "T2"};
    const std::size_t dialogs = recorder.dialogs.size();
    app_testing::Click(*window, "Button2");
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->State().TableNoList.empty());
    EXPECT_EQ(recorder.dialogs.size(), dialogs);
    window->close();  // already closed: FormClose does not run again
    EXPECT_EQ(closed.count(), 1);

    auto second = app_testing::OpenWindow(app_testing::kNoServer, recorder);
    QSignalSpy closedSecond(second.get(), &TfmMain::Closed);
    QTest::keyClick(second->Button1, Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(closedSecond.count(), 1);
    EXPECT_FALSE(second->isVisible());

    auto third = app_testing::OpenWindow(app_testing::kNoServer, recorder);
    QSignalSpy closedThird(third.get(), &TfmMain::Closed);
    EXPECT_TRUE(third->close());  // the close box
    EXPECT_EQ(closedThird.count(), 1);
}

}  // namespace
