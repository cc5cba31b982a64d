// The tool's window started without a server (a closed port): the client library is loaded, the
// connection attempt fails and the start-up dialogs are answered at once instead of shown.
#include <QApplication>

#include "app/MainWindow.h"
#include "app/MessageDialog.h"
#include "bench/app_shown.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    app::SetMessageDialogHook([](const app::DialogRequest&) { return form::kResultOk; });
    app::SetErrorBoxHook([](const std::string&) {});
    app::TfmMain window("localhost/1:/nonexistent/posfix.fdb");
    FirstPaint report(&window);
    window.ShowMain();
    return QApplication::exec();
}
