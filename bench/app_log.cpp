// The date page's log during a long run: lines appended inside a running handler (painted every
// 50 ms as in a real run). Compares the cost per line of a 100,000-line run with a 10,000-line
// run in the same process; a ratio near 1 means appending stays linear.
//   app_log_bench   (QT_QPA_PLATFORM defaults to offscreen)
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/MainWindow.h"
#include "bench/quiet_dialogs.h"

namespace {

double MicrosPerLine(app::TfmMain& window, int lines) {
    QElapsedTimer timer;
    form::WindowOps& ui = window.State().ui;
    window.RunHandler([&] {
        ui.ClearLog();
        timer.start();
        for (int i = 0; i < lines; ++i) {
            ui.AppendLog("[OS_Order] 20240313 -> 20240314 Sal_Seq " + std::to_string(i) +
                         " 변경 완료");
        }
    });
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / lines;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    QuietDialogs dialogs;
    app::TfmMain window("localhost/1:/nonexistent/posfix.fdb", dialogs);
    window.ShowMain();
    window.PageControl1->SetActivePageIndex(5);
    window.SetPanelVisible(true);
    QApplication::processEvents();

    MicrosPerLine(window, 1000);  // warm-up
    const double small = MicrosPerLine(window, 10000);
    const double large = MicrosPerLine(window, 100000);
    std::printf("log lines appended during a run (painted every 50 ms)\n");
    std::printf("  10,000 lines     %8.2f us per line\n", small);
    std::printf("  100,000 lines    %8.2f us per line\n", large);
    std::printf("  ratio per line 100,000 / 10,000   %6.2f  (linear: about 1)\n", large / small);
    window.close();
    return 0;
}
