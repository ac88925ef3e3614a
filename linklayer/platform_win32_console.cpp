// Console, key wait and error boxes on Windows. Console text is written as
// the Shift_JIS bytes it is; a code page 932 console shows it as meant.
#include <windows.h>

#include <conio.h>
#include <cstdio>
#include <cwchar>

#include "platform.h"

void PlatformStartup() {}

void PlatformConsoleWrite(const char* text, int length) {
    std::fwrite(text, 1, static_cast<size_t>(length), stdout);
    std::fflush(stdout);
}

void PlatformShowError(const char16_t* caption, const char16_t* text) {
    static_assert(sizeof(char16_t) == sizeof(wchar_t), "UTF-16 wide characters");
    const wchar_t* wideCaption = reinterpret_cast<const wchar_t*>(caption);
    const wchar_t* wideText = reinterpret_cast<const wchar_t*>(text);
    if (MessageBoxW(nullptr, wideText, wideCaption, MB_ICONERROR) == 0) {
        // No desktop to show the box on: the message must not be lost.
        fwprintf(stderr, L"%ls: %ls\n", wideCaption, wideText);
    }
}

void PlatformWaitKey() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode)) {
        _getch();
        return;
    }
    // Input redirected from a file or pipe: one byte is the key, and end of
    // input goes on at once instead of waiting for a key that cannot come.
    char key;
    DWORD got = 0;
    ReadFile(input, &key, 1, &got, nullptr);
}
