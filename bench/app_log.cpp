// The date page's log during a long run, as a move fills it: lines posted by the operation at
// about 20,000 a second, drawn on the date page every tick and written to the log of changes.
// Prints the CPU time the window's thread spends per line (what the log takes from the move on a
// busy machine) for 10,000 and 100,000 lines, and their ratio: near 1 means the cost stays
// linear (goal <= 1.5).
//   app_log_bench   (QT_QPA_PLATFORM defaults to offscreen)
#include <time.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/MainWindow.h"
#include "app/OperationTrace.h"
#include "bench/quiet_dialogs.h"

namespace {

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The window thread's CPU microseconds per line.
double MicrosPerLine(app::TfmMain& window, int lines) {
    form::WindowOps& ui = window.State().ui;
    const double start = ThreadCpuSeconds();
    window.RunOperation([&] {
        ui.ClearLog();
        for (int i = 0; i < lines; ++i) {
            ui.AppendLog("OS_ORDER->" + std::to_string(i) + " - 2024-03-14");
            if (i % 20 == 19) QThread::usleep(1000);
        }
        return true;
    });
    return (ThreadCpuSeconds() - start) * 1e6 / lines;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    QuietDialogs dialogs;
    QTemporaryDir folder;
    app::OperationTrace trace(folder.path());
    app::TfmMain window("localhost/1:/nonexistent/posfix.fdb", dialogs);
    window.SetTrace(&trace);
    window.ShowMain();
    window.PageControl1->SetActivePageIndex(5);
    window.SetPanelVisible(true);
    QApplication::processEvents();

    MicrosPerLine(window, 1000);  // warm-up
    const double small = MicrosPerLine(window, 10000);
    const double large = MicrosPerLine(window, 100000);
    std::printf("log lines posted during a run, drawn and traced: the window thread's CPU\n");
    std::printf("  10,000 lines     %8.2f us per line\n", small);
    std::printf("  100,000 lines    %8.2f us per line\n", large);
    std::printf("  ratio per line 100,000 / 10,000   %6.2f  (goal <= 1.5)\n", large / small);
    window.close();
    return 0;
}
