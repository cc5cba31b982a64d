// The message dialog: its layout arithmetic and the built dialog, keyboard and clipboard; the
// texts of the error box (its "." rule), the fatal box and the application title.
#include <QClipboard>
#include <QFontMetrics>
#include <QLabel>
#include <QScreen>

#include "form/Cp949.h"
#include "tests/app/AppTestSupport.h"

namespace {

using form::DialogButtons;
using form::DialogKind;

TEST(DialogLayoutTest, RoundsDialogUnitsAndPlacesIconTextAndButtons) {
    const int rounded[][4] = {{8, 7, 4, 14},   {10, 7, 4, 18}, {14, 15, 8, 26},
                              {10, 15, 8, 19}, {1, 1, 2, 1},   {-1, 1, 2, -1},
                              {-5, 3, 4, -4},  {5, 3, -4, -4}, {50, 7, 4, 88}};
    for (const auto& r : rounded) EXPECT_EQ(app::MulDivRound(r[0], r[1], r[2]), r[3]) << r[0];

    // A font with 7 px letters (415 / 52, the remainder dropped) and 15 px lines: margins 14 and
    // 15, spacing 18 and 19, buttons at least 88 x 26 and 7 apart, a 32 px icon.
    // Text width and height, caption widths, icon; client size, text and button rectangles.
    const std::tuple<int, int, std::vector<int>, bool, QSize, QRect, std::vector<QRect>> cases[] = {
        // clang-format off
        {60, 15, {16}, true, {138, 107}, {64, 15, 60, 15}, {{25, 66, 88, 26}}},
        {60, 15, {16, 38}, true, {211, 107}, {64, 15, 60, 15}, {{14, 66, 88, 26}, {109, 66, 88, 26}}},
        {400, 75, {16, 38}, true, {478, 150}, {64, 15, 400, 75}, {{147, 109, 88, 26}, {242, 109, 88, 26}}},
        {120, 30, {16}, true, {198, 107}, {64, 15, 120, 30}, {{55, 66, 88, 26}}},
        {120, 45, {16}, true, {198, 120}, {64, 15, 120, 45}, {{55, 79, 88, 26}}},
        {60, 15, {100, 38}, false, {251, 90}, {14, 15, 60, 15}, {{14, 49, 108, 26}, {129, 49, 108, 26}}},
        // clang-format on
    };
    for (const auto& [textWidth, textHeight, captions, icon, client, text, buttons] : cases) {
        const app::DialogLayout l =
            app::ComputeDialogLayout({415, 15, textWidth, textHeight, captions, icon});
        EXPECT_EQ(QSize(l.clientWidth, l.clientHeight), client) << textWidth;
        EXPECT_EQ(l.icon, icon ? QRect(14, 15, 32, 32) : QRect()) << textWidth;
        EXPECT_EQ(l.text, text) << textWidth;
        EXPECT_EQ(l.buttons, buttons) << textWidth;
    }
    EXPECT_EQ(app::CentredPosition(QSize(1024, 768), QSize(211, 107)), QPoint(406, 330));
    EXPECT_EQ(app::CentredPosition(QSize(800, 600), QSize(710, 513)), QPoint(45, 43));
}

TEST(DialogTextTest, ClipboardCaptionsErrorBoxFatalBoxAndTitleTexts) {
    const QString rule(27, QLatin1Char('-'));
    EXPECT_EQ(app::DialogClipboardText("Warning", "테이블\r\nx", {"&OK", "Cancel"}),
              rule + "\r\nWarning\r\n" + rule + "\r\n테이블\r\nx\r\n" + rule +
                  "\r\nOK   Cancel   \r\n" + rule + "\r\n");
    EXPECT_EQ((QStringList{
                  app::KindCaption(DialogKind::Warning), app::KindCaption(DialogKind::Information),
                  app::KindCaption(DialogKind::Error), app::KindCaption(DialogKind::Confirmation)}),
              QStringList({"Warning", "Information", "Error", "Confirm"}));
    EXPECT_EQ(app::ButtonCaptions(DialogButtons::Ok), QStringList({"OK"}));
    EXPECT_EQ(app::ButtonCaptions(DialogButtons::OkCancel), QStringList({"OK", "Cancel"}));

    // The error box adds a stop after a last character that sorts after "."; code page 949
    // bytes, as the server quotes a stored value, are decoded first.
    const std::pair<std::string, std::string> boxTexts[] = {
        {"code 9", "code 9."},
        {"path a/", "path a/."},
        {"연결실패", "연결실패."},
        {"x", "x."},
        {form::Utf8ToCp949("string 한글"), "string 한글."},
        {"done.", "done."},
        {"failed (1)", "failed (1)"},
        {"stop!", "stop!"},
        {"trailing ", "trailing "},
        {"line\n", "line\n"},
        {"line\r\n", "line\r\n"},
        {"a,b,", "a,b,"},
        {"x-", "x-"},
        {"", ""}};
    for (const auto& [text, shown] : boxTexts) EXPECT_EQ(app::ErrorBoxText(text), shown) << text;

    EXPECT_EQ(app::FatalErrorText("db::DbError", "posfix", 0x1a2b, "No client"),
              "Exception db::DbError in module posfix at 00001A2B.\nNo client.\n");
    EXPECT_EQ(app::FatalErrorText("E", "m", 0, "Already ends."),
              "Exception E in module m at 00000000.\nAlready ends.\n");
    const std::pair<std::string, std::string> titles[] = {{"C:\\POS\\TOOL.EXE", "Tool"},
                                                          {"/usr/local/bin/posfix", "posfix"},
                                                          {"/opt/PosFix.Tool.exe", "Posfix"},
                                                          {"x", "x"},
                                                          {".hidden", ""}};
    for (const auto& [path, title] : titles) EXPECT_EQ(app::TitleFromFileName(path), title);
}

// The real dialog answered through the keyboard: Enter presses the focused button (OK at the
// start), Esc and Alt+F4 cancel (OK when it is the only button), the focus cycles through the
// buttons with Tab, Shift+Tab and the arrows; a close (key 0) cancels. Ctrl+C (not Ctrl+Shift+C)
// copies the content and leaves the dialog open.
TEST(RealDialogTest, KeysAndTheCloseBoxAnswerAsTheButtonsDo) {
    const QKeyCombination copy = Qt::ControlModifier | Qt::Key_C;
    const std::tuple<DialogButtons, std::vector<QKeyCombination>, int> cases[] = {
        {DialogButtons::Ok, {Qt::Key_Return}, 1},
        {DialogButtons::Ok, {Qt::Key_Escape}, 1},
        {DialogButtons::Ok, {Qt::AltModifier | Qt::Key_F4}, 2},
        {DialogButtons::Ok, {}, 2},
        {DialogButtons::OkCancel, {Qt::KeypadModifier | Qt::Key_Enter}, 1},
        {DialogButtons::OkCancel, {Qt::Key_Escape}, 2},
        {DialogButtons::OkCancel, {}, 2},
        {DialogButtons::OkCancel, {Qt::Key_Tab, Qt::Key_Return}, 2},
        {DialogButtons::OkCancel, {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}, 1},
        {DialogButtons::OkCancel, {Qt::ShiftModifier | Qt::Key_Backtab, Qt::Key_Return}, 2},
        {DialogButtons::OkCancel, {Qt::Key_Right, Qt::Key_Return}, 2},
        {DialogButtons::OkCancel, {Qt::Key_Down, Qt::Key_Up, Qt::Key_Return}, 1},
        {DialogButtons::OkCancel, {Qt::Key_Left, Qt::Key_Space}, 2},
        {DialogButtons::OkCancel, {Qt::Key_Space}, 1},
        {DialogButtons::OkCancel,
         {Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_C, Qt::Key_Escape},
         2},
        {DialogButtons::OkCancel, {copy, Qt::Key_Return}, 1},
        {DialogButtons::OkCancel, {copy, Qt::Key_Escape}, 2},
    };
    const QString text = "테이블 1\r\n그룹을 취소하시겠습니까?", rule(27, QLatin1Char('-'));
    for (const auto& [buttons, keys, result] : cases) {
        QGuiApplication::clipboard()->clear();
        auto seen = keys.empty() ? app_testing::OnNextModal([](QWidget* m) { m->close(); })
                                 : app_testing::PressInNextModal(keys);
        EXPECT_EQ(app::StandardDialogs().MessageDialog(text.toStdString(), DialogKind::Information,
                                                       buttons),
                  result)
            << keys.size() << " keys, button set " << static_cast<int>(buttons);
        EXPECT_EQ(seen->className, "app::TMessageForm");
        EXPECT_EQ(seen->title, "Information");
        EXPECT_EQ(seen->text, text);
        EXPECT_EQ(seen->buttons, buttons == DialogButtons::Ok ? QStringList({"OK"})
                                                              : QStringList({"OK", "Cancel"}));
        EXPECT_EQ(seen->focusName, "OK");
        EXPECT_EQ(QGuiApplication::clipboard()->text(),
                  keys.empty() || keys[0] != copy
                      ? QString()
                      : rule + "\r\nInformation\r\n" + rule + "\r\n" + text + "\r\n" + rule +
                            "\r\nOK   Cancel   \r\n" + rule + "\r\n");
    }
}

// The built dialog against its own font's measurements: children where the layout puts them, the
// dialog centred, a long text wrapped at half the screen, CR LF as a line break.
TEST(BuiltDialogTest, ChildrenSitWhereTheLayoutPutsThemAndTextWraps) {
    app::TMessageForm dialog("DB연결실패", DialogKind::Warning, DialogButtons::OkCancel);
    const app::DialogLayout& l = dialog.Layout();
    const QFontMetrics m(dialog.font());
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(l.unitX,
              m.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52);
    EXPECT_EQ(l.unitY, m.height());
    EXPECT_EQ(dialog.size(), QSize(l.clientWidth, l.clientHeight));
    EXPECT_EQ(l.clientWidth, l.buttonRowWidth + 2 * l.horzMargin);  // the button row sets it
    EXPECT_EQ(dialog.findChild<QLabel*>("Image")->geometry(), l.icon);
    EXPECT_FALSE(dialog.findChild<QLabel*>("Image")->pixmap().isNull());
    EXPECT_EQ(dialog.findChild<QWidget*>("Message")->geometry(), l.text);
    EXPECT_EQ(dialog.findChild<QPushButton*>("OK")->geometry(), l.buttons[0]);
    EXPECT_EQ(dialog.findChild<QPushButton*>("Cancel")->geometry(), l.buttons[1]);
    EXPECT_TRUE(dialog.DefaultButton()->isDefault());
    EXPECT_EQ(dialog.DefaultButton()->objectName(), "OK");
    EXPECT_EQ(dialog.CancelButton()->objectName(), "Cancel");
    EXPECT_EQ(dialog.pos(), app::CentredPosition(screen, dialog.frameGeometry().size()));

    QString text;
    for (int i = 0; i < 60; ++i) text += QStringLiteral("word%1 ").arg(i);
    app::TMessageForm wrapped(text, DialogKind::Information, DialogButtons::Ok);
    const app::DialogLayout& wide = wrapped.Layout();
    EXPECT_LE(wide.text.width(), screen.width() / 2);
    EXPECT_GT(wide.text.width(), screen.width() / 4);
    EXPECT_GE(wide.text.height(), 3 * m.lineSpacing());

    app::TMessageForm one("테이블 12", DialogKind::Information, DialogButtons::OkCancel);
    app::TMessageForm two("테이블 12\r\n그룹을 취소하시겠습니까?", DialogKind::Information,
                          DialogButtons::OkCancel);
    EXPECT_GE(two.Layout().text.height(), 2 * m.height());
    EXPECT_GT(two.Layout().text.height(), one.Layout().text.height());
    EXPECT_EQ(two.Layout().iconTextHeight, std::max(32, two.Layout().text.height()));
    // The line break is not drawn as a character: the text is as wide as its longer line.
    EXPECT_LT(two.Layout().text.width(), m.horizontalAdvance("테이블 12 그룹을 취소하시겠습니까?"));
}

TEST(ErrorBoxTest, StandardBoxWithTitleStopIconAndLineBreaks) {
    app::SetApplicationTitle("Posfix");
    auto seen = app_testing::PressInNextModal({Qt::Key_Return});
    app::StandardDialogs().ShowErrorBox("Unable to complete\r\nFailed.");
    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(seen->title, "Posfix");
    EXPECT_EQ(seen->text, "Unable to complete\nFailed.");
    EXPECT_TRUE(seen->critical);
    EXPECT_EQ(seen->buttons, QStringList({"OK"}));
}

}  // namespace
