#include <QCoreApplication>
#include <QFileInfo>

#include <windows.h>

#include "app/ModuleOf.h"

namespace app {

void ModuleOf(const void* address, std::string& name, std::uintptr_t& offset) {
    // The module handle is the module's load address.
    HMODULE module = nullptr;
    wchar_t path[MAX_PATH] = {};
    if (GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(address), &module) &&
        GetModuleFileNameW(module, path, MAX_PATH) != 0) {
        name = QFileInfo(QString::fromWCharArray(path)).fileName().toStdString();
        offset =
            reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(module);
    } else {
        name = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
        offset = 0;
    }
}

}  // namespace app
