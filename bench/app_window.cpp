// The tool's window started without a server (a closed port): the client library is loaded, the
// connection attempt fails and the start-up dialogs are answered at once instead of shown.
#include <QApplication>

#include "app/MainWindow.h"
#include "bench/app_shown.h"
#include "bench/quiet_dialogs.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QuietDialogs dialogs;
    app::TfmMain window("localhost/1:/nonexistent/posfix.fdb", dialogs);
    FirstPaint report(&window);
    window.ShowMain();
    return QApplication::exec();
}
