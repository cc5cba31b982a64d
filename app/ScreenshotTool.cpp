// Opens the main window and saves a PNG of each page, of the date page with its panel shown and
// of two message dialogs, for review. Usage: posfix_screenshots OUTDIR [DATABASE]
// Without DATABASE the window starts unconnected; dialogs it opens are answered with OK and
// printed instead of shown.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>

#include <iostream>

#include "app/Application.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/MessageDialog.h"

namespace {

// Answers every dialog with OK and prints what it would have shown.
class PrintedDialogs : public app::Dialogs {
public:
    int MessageDialog(const std::string& text, form::DialogKind, form::DialogButtons) override {
        std::cout << "dialog: " << text << '\n';
        return form::kResultOk;
    }
    void ShowErrorBox(const std::string& text) override {
        std::cout << "error box: " << text << '\n';
    }
    void ShowFatalBox(const std::string& text) override { std::cout << "fatal: " << text; }
};

void Settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(QWidget* widget, const QString& path) {
    Settle(300);
    QPixmap picture;
    QScreen* screen = widget->screen();
    if (screen && QGuiApplication::platformName() == QLatin1String("xcb")) {
        picture = screen->grabWindow(widget->winId());
    }
    if (picture.isNull()) picture = widget->grab();
    const bool ok = picture.save(path, "PNG");
    std::cout << (ok ? "wrote " : "FAILED ") << path.toStdString() << '\n';
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: posfix_screenshots OUTDIR [DATABASE]\n";
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);

    PrintedDialogs dialogs;
    app::StartOptions options;
    options.dialogs = &dialogs;
    options.databaseName = argc > 2 ? argv[2] : "localhost/1:/nonexistent.fdb";
    bool ok = true;
    options.onShown = [&](app::TfmMain& window) {
        for (int i = 0; i < window.PageControl1->PageCount(); ++i) {
            window.PageControl1->SetActivePageIndex(i);
            ok &= Save(&window, outDir + QStringLiteral("/page%1.png").arg(i + 1));
        }
        // The date page as it looks once a mode is chosen, with a few log lines.
        window.RadioButton3->blockSignals(true);
        window.RadioButton3->setChecked(true);
        window.RadioButton3->blockSignals(false);
        window.SetPanelCaption("");
        window.SetPanelVisible(true);
        window.AppendLog("[지정된 날짜 변경] 진행중");
        window.AppendLog("OS_Order 12건 변경");
        ok &= Save(&window, outDir + QStringLiteral("/page6_panel.png"));

        app::TMessageForm warning(QStringLiteral("DB연결실패"), form::DialogKind::Warning,
                                  form::DialogButtons::Ok);
        warning.show();
        ok &= Save(&warning, outDir + QStringLiteral("/dialog_warning.png"));
        warning.hide();
        app::TMessageForm question(QStringLiteral("테이블 1번\r\n그룹을 취소하시겠습니까?"),
                                   form::DialogKind::Information, form::DialogButtons::OkCancel);
        question.show();
        ok &= Save(&question, outDir + QStringLiteral("/dialog_question.png"));
        question.hide();
        window.close();
    };
    const int rc = app::RunMainWindow(options);
    return rc == 0 && ok ? 0 : 1;
}
