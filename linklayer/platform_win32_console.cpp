// Console, key wait and error boxes on Windows. Console text is written as
// the Shift_JIS bytes it is; a code page 932 console shows it as meant.
#include <windows.h>

#include <conio.h>
#include <cstdio>

#include "platform.h"

namespace {
// The console's code page for the tools' texts (Shift_JIS).
constexpr UINT CONSOLE_CODE_PAGE = 932;

// Longer than any caption or message text of the tools.
char NarrowCaption[128];
char NarrowText[256];

// Converts a UTF-16 text for the console; the count of bytes, 0 on failure.
int ToConsoleBytes(const wchar_t* text, char* bytes, int size) {
    int length = WideCharToMultiByte(CONSOLE_CODE_PAGE, 0, text, -1, bytes, size, nullptr, nullptr);
    if (length == 0) {
        // A system without code page 932 still gets the text, with whatever
        // its own code page cannot show replaced.
        length = WideCharToMultiByte(CP_ACP, 0, text, -1, bytes, size, nullptr, nullptr);
    }
    return length > 0 ? length - 1 : 0;  // without the terminator
}

// "caption: text" on standard error, in the console texts' encoding.
void WriteErrorLine(const wchar_t* caption, const wchar_t* text) {
    int captionLength = ToConsoleBytes(caption, NarrowCaption, sizeof NarrowCaption);
    int textLength = ToConsoleBytes(text, NarrowText, sizeof NarrowText);
    std::fwrite(NarrowCaption, 1, static_cast<size_t>(captionLength), stderr);
    std::fputs(": ", stderr);
    std::fwrite(NarrowText, 1, static_cast<size_t>(textLength), stderr);
    std::fputs("\n", stderr);
    std::fflush(stderr);
}
}  // namespace

void PlatformStartup() {}

void PlatformConsoleWrite(const char* text, int length) {
    std::fwrite(text, 1, static_cast<size_t>(length), stdout);
    std::fflush(stdout);
}

void PlatformShowError(const char16_t* caption, const char16_t* text) {
    static_assert(sizeof(char16_t) == sizeof(wchar_t), "UTF-16 wide characters");
    const wchar_t* wideCaption = reinterpret_cast<const wchar_t*>(caption);
    const wchar_t* wideText = reinterpret_cast<const wchar_t*>(text);
    // A shown box answers with the button that closed it. Anything else (0,
    // or -1 where no window can be made, as on a machine without a desktop)
    // means nobody saw it, so the message goes to standard error instead.
    if (MessageBoxW(nullptr, wideText, wideCaption, MB_ICONERROR) <= 0) {
        WriteErrorLine(wideCaption, wideText);
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
