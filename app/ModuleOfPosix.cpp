#include <QCoreApplication>
#include <QFileInfo>

#include <dlfcn.h>

#include "app/ModuleOf.h"

namespace app {

void ModuleOf(const void* address, std::string& name, std::uintptr_t& offset) {
    Dl_info info{};
    if (dladdr(address, &info) != 0 && info.dli_fname) {
        name = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).fileName().toStdString();
        offset = reinterpret_cast<std::uintptr_t>(address) -
                 reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    } else {
        name = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
        offset = 0;
    }
}

}  // namespace app
