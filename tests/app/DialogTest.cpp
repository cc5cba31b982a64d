// Message dialog geometry, keyboard and clipboard; the error box and its "." rule; the
// application title and the fatal start text.
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/Dialogs.h"
#include "app/MessageDialog.h"
#include "form/Cp949.h"
#include "tests/app/AppTestSupport.h"

namespace {

using app::ComputeDialogLayout;
using app::DialogLayout;
using app::DialogLayoutInput;
using form::DialogButtons;
using form::DialogKind;

TEST(MulDivRoundTest, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(app::MulDivRound(8, 7, 4), 14);
    EXPECT_EQ(app::MulDivRound(10, 7, 4), 18);   // 17.5
    EXPECT_EQ(app::MulDivRound(50, 7, 4), 88);   // 87.5
    EXPECT_EQ(app::MulDivRound(14, 15, 8), 26);  // 26.25
    EXPECT_EQ(app::MulDivRound(10, 15, 8), 19);  // 18.75
    EXPECT_EQ(app::MulDivRound(1, 1, 2), 1);
    EXPECT_EQ(app::MulDivRound(-1, 1, 2), -1);
    EXPECT_EQ(app::MulDivRound(-5, 3, 4), -4);  // -3.75
    EXPECT_EQ(app::MulDivRound(5, 3, -4), -4);
}

// Metrics of a font with 7 px letters (364 / 52) and 15 px lines.
DialogLayoutInput Input(int textWidth, int textHeight, std::vector<int> captions) {
    DialogLayoutInput in;
    in.lettersWidth = 364;
    in.lettersHeight = 15;
    in.textWidth = textWidth;
    in.textHeight = textHeight;
    in.captionWidths = std::move(captions);
    in.hasIcon = true;
    return in;
}

TEST(DialogLayoutTest, DerivedMetricsFromDialogUnits) {
    DialogLayoutInput in = Input(60, 15, {16});
    in.lettersWidth = 415;  // 415 / 52 = 7 (the remainder is dropped)
    const DialogLayout l = ComputeDialogLayout(in);
    EXPECT_EQ(l.unitX, 7);
    EXPECT_EQ(l.unitY, 15);
    EXPECT_EQ(l.horzMargin, 14);
    EXPECT_EQ(l.vertMargin, 15);
    EXPECT_EQ(l.horzSpacing, 18);
    EXPECT_EQ(l.vertSpacing, 19);
    EXPECT_EQ(l.minButtonWidth, 88);
    EXPECT_EQ(l.buttonHeight, 26);
    EXPECT_EQ(l.buttonSpacing, 7);
}

TEST(DialogLayoutTest, ShortTextWithOkIsAsWideAsIconAndText) {
    const DialogLayout l = ComputeDialogLayout(Input(60, 15, {16}));
    EXPECT_EQ(l.buttonWidth, 88);
    EXPECT_EQ(l.iconTextWidth, 60 + 18 + 32);
    EXPECT_EQ(l.iconTextHeight, 32);  // the icon is taller than one line
    EXPECT_EQ(l.clientWidth, 110 + 28);
    EXPECT_EQ(l.clientHeight, 32 + 19 + 26 + 30);
    EXPECT_EQ(l.icon, QRect(14, 15, 32, 32));
    EXPECT_EQ(l.text, QRect(64, 15, 60, 15));
    ASSERT_EQ(l.buttons.size(), 1u);
    EXPECT_EQ(l.buttons[0], QRect((138 - 88) / 2, 66, 88, 26));
}

TEST(DialogLayoutTest, ShortTextWithOkCancelIsAsWideAsTheButtonRow) {
    const DialogLayout l = ComputeDialogLayout(Input(60, 15, {16, 38}));
    EXPECT_EQ(l.buttonRowWidth, 2 * 88 + 7);
    EXPECT_EQ(l.clientWidth, 183 + 28);
    ASSERT_EQ(l.buttons.size(), 2u);
    EXPECT_EQ(l.buttons[0], QRect(14, 66, 88, 26));
    EXPECT_EQ(l.buttons[1], QRect(14 + 88 + 7, 66, 88, 26));
}

TEST(DialogLayoutTest, LongWrappedTextMakesTheDialogTaller) {
    // Five wrapped lines in a box of half an 800 px screen.
    const DialogLayout l = ComputeDialogLayout(Input(400, 75, {16, 38}));
    EXPECT_EQ(l.clientWidth, 400 + 18 + 32 + 28);
    EXPECT_EQ(l.clientHeight, 75 + 19 + 26 + 30);
    EXPECT_EQ(l.text, QRect(64, 15, 400, 75));
    EXPECT_EQ(l.buttons[0].top(), 15 + 75 + 19);
    EXPECT_EQ(l.buttons[0].left(), (478 - 183) / 2);
}

TEST(DialogLayoutTest, TwoLineTextIsAsHighAsBothLines) {
    const DialogLayout l = ComputeDialogLayout(Input(120, 30, {16}));
    EXPECT_EQ(l.iconTextHeight, 32);
    const DialogLayout taller = ComputeDialogLayout(Input(120, 45, {16}));
    EXPECT_EQ(taller.iconTextHeight, 45);
    EXPECT_EQ(taller.clientHeight, 45 + 19 + 26 + 30);
}

TEST(DialogLayoutTest, WideCaptionWidensEveryButtonAndNoIconMovesTheText) {
    DialogLayoutInput in = Input(60, 15, {100, 38});
    in.hasIcon = false;
    const DialogLayout l = ComputeDialogLayout(in);
    EXPECT_EQ(l.buttonWidth, 108);
    EXPECT_EQ(l.buttons[1].width(), 108);
    EXPECT_TRUE(l.icon.isEmpty());
    EXPECT_EQ(l.text.left(), 14);
    EXPECT_EQ(l.iconTextWidth, 60);
    EXPECT_EQ(l.iconTextHeight, 15);
}

TEST(DialogLayoutTest, CentredPositionUsesWholePixels) {
    EXPECT_EQ(app::CentredPosition(QSize(1024, 768), QSize(211, 107)), QPoint(406, 330));
    EXPECT_EQ(app::CentredPosition(QSize(800, 600), QSize(710, 513)), QPoint(45, 43));
}

TEST(DialogTextTest, ClipboardTextHasRulesCaptionMessageAndButtons) {
    const QString rule(27, QLatin1Char('-'));
    EXPECT_EQ(app::DialogClipboardText("Information", "테이블\r\n취소할까요?", {"OK", "Cancel"}),
              rule + "\r\nInformation\r\n" + rule + "\r\n테이블\r\n취소할까요?\r\n" + rule +
                  "\r\nOK   Cancel   \r\n" + rule + "\r\n");
    EXPECT_EQ(
        app::DialogClipboardText("Warning", "x", {"&OK"}),
        rule + "\r\nWarning\r\n" + rule + "\r\nx\r\n" + rule + "\r\nOK   \r\n" + rule + "\r\n");
}

TEST(DialogTextTest, CaptionsAndButtonSets) {
    EXPECT_EQ(app::KindCaption(DialogKind::Warning), "Warning");
    EXPECT_EQ(app::KindCaption(DialogKind::Information), "Information");
    EXPECT_EQ(app::KindCaption(DialogKind::Error), "Error");
    EXPECT_EQ(app::KindCaption(DialogKind::Confirmation), "Confirm");
    EXPECT_EQ(app::ButtonCaptions(DialogButtons::Ok), QStringList({"OK"}));
    EXPECT_EQ(app::ButtonCaptions(DialogButtons::OkCancel), QStringList({"OK", "Cancel"}));
}

TEST(ErrorBoxTextTest, AppendsAStopAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(app::ErrorBoxText("Database name is missing"), "Database name is missing.");
    EXPECT_EQ(app::ErrorBoxText("code 9"), "code 9.");
    EXPECT_EQ(app::ErrorBoxText("path a/"), "path a/.");
    EXPECT_EQ(app::ErrorBoxText("연결실패"), "연결실패.");  // Korean: lead byte above "."
    EXPECT_EQ(app::ErrorBoxText("x"), "x.");
    // Code page 949 bytes, as the server quotes a stored value, are decoded first.
    EXPECT_EQ(app::ErrorBoxText(form::Utf8ToCp949("string 한글")), "string 한글.");
}

TEST(ErrorBoxTextTest, LeavesTextsEndingAtOrBelowTheStop) {
    for (const std::string text :
         {"done.", "failed (1)", "stop!", "trailing ", "line\n", "line\r\n", "a,b,", "x-"}) {
        EXPECT_EQ(app::ErrorBoxText(text), text) << text;
    }
    EXPECT_EQ(app::ErrorBoxText(""), "");
}

TEST(ApplicationTitleTest, FileNameCutAtTheFirstStopWithTheRestLowerCase) {
    EXPECT_EQ(app::TitleFromFileName("C:\\POS\\TOOL.EXE"), "Tool");
    EXPECT_EQ(app::TitleFromFileName("/usr/local/bin/posfix"), "posfix");
    EXPECT_EQ(app::TitleFromFileName("/opt/PosFix.Tool.exe"), "Posfix");
    EXPECT_EQ(app::TitleFromFileName("ABC"), "Abc");
    EXPECT_EQ(app::TitleFromFileName("x"), "x");
    EXPECT_EQ(app::TitleFromFileName(".hidden"), "");
}

TEST(FatalTextTest, NamesTypeModuleOffsetAndEndsTheTextWithAStop) {
    EXPECT_EQ(app::FatalErrorText("db::DbError", "posfix", 0x1a2b,
                                  "InterBase library gds32.dll not found in the path. Please "
                                  "install InterBase to use this functionality"),
              "Exception db::DbError in module posfix at 00001A2B.\n"
              "InterBase library gds32.dll not found in the path. Please install InterBase to "
              "use this functionality.\n");
    EXPECT_EQ(app::FatalErrorText("E", "m", 0, "Already ends."),
              "Exception E in module m at 00000000.\nAlready ends.\n");
}

// The real dialog, answered through the keyboard.
class RealDialogTest : public ::testing::Test {
protected:
    int Show(const std::string& text, DialogKind kind, DialogButtons buttons) {
        return app::StandardDialogs().MessageDialog(text, kind, buttons);
    }
};

TEST_F(RealDialogTest, OkOnlyEnterAndEscReturnOkCloseBoxReturnsCancel) {
    auto seen = app_testing::PressInNextModal(Qt::Key_Return);
    EXPECT_EQ(Show("DB연결실패", DialogKind::Warning, DialogButtons::Ok), 1);
    EXPECT_TRUE(seen->seen);
    EXPECT_EQ(seen->className, "app::TMessageForm");
    EXPECT_EQ(seen->title, "Warning");
    EXPECT_EQ(seen->text, "DB연결실패");
    EXPECT_EQ(seen->buttons, QStringList({"OK"}));
    EXPECT_EQ(seen->focusName, "OK");

    app_testing::PressInNextModal(Qt::Key_Escape);
    EXPECT_EQ(Show("완료.", DialogKind::Information, DialogButtons::Ok), 1);
    app_testing::CloseNextModal();
    EXPECT_EQ(Show("완료.", DialogKind::Information, DialogButtons::Ok), 2);
    app_testing::PressInNextModal(Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(Show("완료.", DialogKind::Information, DialogButtons::Ok), 2);
}

TEST_F(RealDialogTest, OkCancelEnterOnStartIsOkEscAndCloseBoxAreCancel) {
    auto seen = app_testing::PressInNextModal(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Show("진행하시겠습니까?", DialogKind::Information, DialogButtons::OkCancel), 1);
    EXPECT_EQ(seen->title, "Information");
    EXPECT_EQ(seen->buttons, QStringList({"OK", "Cancel"}));
    EXPECT_EQ(seen->focusName, "OK");

    app_testing::PressInNextModal(Qt::Key_Escape);
    EXPECT_EQ(Show("진행하시겠습니까?", DialogKind::Information, DialogButtons::OkCancel), 2);
    app_testing::CloseNextModal();
    EXPECT_EQ(Show("진행하시겠습니까?", DialogKind::Information, DialogButtons::OkCancel), 2);
}

TEST_F(RealDialogTest, FocusCyclesThroughTheButtonsAndEnterOrSpacePressesTheFocusedOne) {
    const std::string q = "진행하시겠습니까?";
    app_testing::PressSequenceInNextModal({Qt::Key_Tab, Qt::Key_Return});
    EXPECT_EQ(Show(q, DialogKind::Information, DialogButtons::OkCancel), 2);
    app_testing::PressSequenceInNextModal({Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return});
    EXPECT_EQ(Show(q, DialogKind::Information, DialogButtons::OkCancel), 1);  // wrapped to OK
    app_testing::PressSequenceInNextModal({Qt::Key_Backtab, Qt::Key_Return});
    EXPECT_EQ(Show(q, DialogKind::Information, DialogButtons::OkCancel), 2);
    app_testing::PressSequenceInNextModal({Qt::Key_Right, Qt::Key_Return});
    EXPECT_EQ(Show(q, DialogKind::Information, DialogButtons::OkCancel), 2);
    app_testing::PressSequenceInNextModal({Qt::Key_Down, Qt::Key_Up, Qt::Key_Return});
    EXPECT_EQ(Show(q, DialogKind::Information, DialogButtons::OkCancel), 1);
    app_testing::PressSequenceInNextModal({Qt::Key_Left, Qt::Key_Space});
    EXPECT_EQ(Show(q, DialogKind::Information, DialogButtons::OkCancel), 2);
    app_testing::PressSequenceInNextModal({Qt::Key_Space});
    EXPECT_EQ(Show(q, DialogKind::Information, DialogButtons::OkCancel), 1);
}

TEST_F(RealDialogTest, CtrlCCopiesTheContentAndLeavesTheDialogOpen) {
    QGuiApplication::clipboard()->clear();
    bool openAfterCopy = false;
    QString copied;
    app_testing::OnNextModal([&](QWidget* modal) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        openAfterCopy = modal->isVisible();
        copied = QGuiApplication::clipboard()->text();
        // Ctrl+Shift+C is not the copy key.
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C,
                        Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    EXPECT_EQ(Show("테이블 1\r\n그룹을 취소하시겠습니까?", DialogKind::Information,
                   DialogButtons::OkCancel),
              2);
    EXPECT_TRUE(openAfterCopy);
    const QString rule(27, QLatin1Char('-'));
    EXPECT_EQ(copied, rule + "\r\nInformation\r\n" + rule +
                          "\r\n테이블 1\r\n그룹을 취소하시겠습니까?\r\n" + rule +
                          "\r\nOK   Cancel   \r\n" + rule + "\r\n");
}

// Geometry of the built dialog against its own font's measurements.
struct Measured {
    QFontMetrics metrics;
    int halfScreen;
};

Measured MeasureFor(const app::TMessageForm& dialog) {
    return {QFontMetrics(dialog.font()), QGuiApplication::primaryScreen()->geometry().width() / 2};
}

TEST(BuiltDialogTest, ChildrenSitWhereTheLayoutPutsThemAndTheDialogIsCentred) {
    app::TMessageForm dialog("DB연결실패", DialogKind::Warning, DialogButtons::OkCancel);
    const DialogLayout& l = dialog.Layout();
    const Measured m = MeasureFor(dialog);
    EXPECT_EQ(
        l.unitX,
        m.metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52);
    EXPECT_EQ(l.unitY, m.metrics.height());
    EXPECT_EQ(dialog.size(), QSize(l.clientWidth, l.clientHeight));
    EXPECT_EQ(dialog.findChild<QLabel*>("Image")->geometry(), l.icon);
    EXPECT_EQ(dialog.findChild<QWidget*>("Message")->geometry(), l.text);
    EXPECT_EQ(dialog.findChild<QPushButton*>("OK")->geometry(), l.buttons[0]);
    EXPECT_EQ(dialog.findChild<QPushButton*>("Cancel")->geometry(), l.buttons[1]);
    EXPECT_FALSE(dialog.findChild<QLabel*>("Image")->pixmap().isNull());
    EXPECT_TRUE(dialog.DefaultButton()->isDefault());
    EXPECT_EQ(dialog.DefaultButton()->objectName(), "OK");
    EXPECT_EQ(dialog.CancelButton()->objectName(), "Cancel");
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(dialog.pos(), app::CentredPosition(screen, dialog.frameGeometry().size()));
    // A short text: the button row sets the width.
    EXPECT_EQ(l.clientWidth, l.buttonRowWidth + 2 * l.horzMargin);
}

TEST(BuiltDialogTest, LongTextWrapsAtHalfTheScreen) {
    QString text;
    for (int i = 0; i < 60; ++i) text += QStringLiteral("word%1 ").arg(i);
    app::TMessageForm dialog(text, DialogKind::Information, DialogButtons::Ok);
    const DialogLayout& l = dialog.Layout();
    const Measured m = MeasureFor(dialog);
    EXPECT_LE(l.text.width(), m.halfScreen);
    EXPECT_GT(l.text.width(), m.halfScreen / 2);
    EXPECT_GE(l.text.height(), 3 * m.metrics.lineSpacing());
    EXPECT_EQ(l.clientHeight, l.iconTextHeight + l.vertSpacing + l.buttonHeight + 2 * l.vertMargin);
}

TEST(BuiltDialogTest, CrLfGivesTwoLinesAndTheDialogIsAsHighAsBoth) {
    app::TMessageForm one("테이블 12", DialogKind::Information, DialogButtons::OkCancel);
    app::TMessageForm two("테이블 12\r\n그룹을 취소하시겠습니까?", DialogKind::Information,
                          DialogButtons::OkCancel);
    const Measured m = MeasureFor(two);
    EXPECT_GE(two.Layout().text.height(), 2 * m.metrics.height());
    EXPECT_GT(two.Layout().text.height(), one.Layout().text.height());
    EXPECT_EQ(two.Layout().iconTextHeight, std::max(32, two.Layout().text.height()));
    // The line break is not drawn as a character: the text is as wide as its longer line.
    EXPECT_LT(two.Layout().text.width(),
              m.metrics.horizontalAdvance("테이블 12 그룹을 취소하시겠습니까?"));
}

TEST(ErrorBoxTest, StandardBoxWithTitleStopIconAndTheStopRule) {
    app::SetApplicationTitle("Posfix");
    QString icon;
    auto seen = app_testing::OnNextModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            icon = box->icon() == QMessageBox::Critical ? "critical" : "other";
        }
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : modal,
                        Qt::Key_Return);
    });
    app::StandardDialogs().ShowErrorBox(
        app::ErrorBoxText("Unable to complete network request to host \"localhost\".\r\nFailed "
                          "to establish a connection"));
    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(seen->title, "Posfix");
    EXPECT_EQ(seen->text,
              "Unable to complete network request to host \"localhost\".\nFailed to establish a "
              "connection.");
    EXPECT_EQ(icon, "critical");
    EXPECT_EQ(seen->buttons, QStringList({"OK"}));
}

}  // namespace
