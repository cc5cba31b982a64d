// The baseline: a bare Qt window of the same size. With the argument "text" it also shows one
// line of Korean text, which loads the font database as any window with text must.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

#include "bench/app_shown.h"

int main(int argc, char** argv) {
    const bool withText = argc > 1 && std::strcmp(argv[1], "text") == 0;
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("baseline"));
    window.setFixedSize(710, 513);
    if (withText) {
        auto* label = new QLabel(QStringLiteral("* 반드시 메인DB 백업 후 작업하세요 *"), &window);
        label->setGeometry(17, 446, 384, 33);
    }
    FirstPaint report(&window);
    window.show();
    return QApplication::exec();
}
