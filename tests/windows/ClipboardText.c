/* Prints the Windows clipboard's text as UTF-8: how the Windows check reads what a dialog of the
 * tool says, after Ctrl+C has copied it (the tool's dialogs draw their text themselves). With the
 * argument "clear" it empties the clipboard instead, so that the next copy is told from an old
 * one. Exit code 1: no text on the clipboard; 2: the clipboard could not be opened. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    if (!OpenClipboard(NULL)) return 2;
    if (argc > 1 && strcmp(argv[1], "clear") == 0) {
        const BOOL emptied = EmptyClipboard();
        CloseClipboard();
        return emptied ? 0 : 2;
    }
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* text = data ? (const wchar_t*)GlobalLock(data) : NULL;
    if (!text) {
        CloseClipboard();
        return 1;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    char* utf8 = (char*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size);
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, size, NULL, NULL);
    GlobalUnlock(data);
    CloseClipboard();
    fwrite(utf8, 1, (size_t)size - 1, stdout);
    return 0;
}
