#include <windows.h>

#include "db/LibrarySearch.h"

namespace db {

namespace {

std::wstring Wide(const std::string& utf8) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                        nullptr, nullptr);
    return utf8;
}

// The file a module was loaded from; the program's own for no module. Empty on failure.
std::wstring ModuleFile(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string ProgramFolder() {
    const std::wstring path = ModuleFile(nullptr);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : Utf8(path.substr(0, slash));
}

// The root folder of the default Firebird instance, as its installer registers it. Only the
// 64-bit view: a 32-bit Firebird registers under WOW6432Node and its client cannot load here.
std::string DefaultInstanceRoot() {
    const wchar_t* key = L"SOFTWARE\\Firebird Project\\Firebird Server\\Instances";
    DWORD bytes = 0;
    const DWORD flags = RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, L"DefaultInstance", flags, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS ||
        bytes < sizeof(wchar_t)) {
        return {};
    }
    std::wstring root(bytes / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, L"DefaultInstance", flags, nullptr, root.data(),
                     &bytes) != ERROR_SUCCESS) {
        return {};
    }
    root.resize(wcsnlen(root.c_str(), root.size()));
    return Utf8(root);
}

bool IsFullPath(const std::string& candidate) {
    return candidate.find_first_of("\\/") != std::string::npos;
}

}  // namespace

std::vector<std::string> PlatformCandidates() {
    return WindowsCandidates(ProgramFolder(), DefaultInstanceRoot());
}

LoadOutcome OpenLibrary(const std::string& candidate) {
    // From a full path the client's own runtime DLLs beside it are found too; a bare name goes
    // through the system's standard search.
    const DWORD flags = IsFullPath(candidate) ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
    HMODULE library = LoadLibraryExW(Wide(candidate).c_str(), nullptr, flags);
    return {reinterpret_cast<void*>(library), library ? 0 : GetLastError()};
}

void* FindEntryPoint(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

std::string LibraryFile(void* library) {
    return Utf8(ModuleFile(static_cast<HMODULE>(library)));
}

std::string LastEntryPointError() {
    char buffer[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

void CloseLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace db
