#include "console.h"

#include <cstdlib>
#include <cwchar>

HANDLE ConsoleOutput = nullptr;

// Console results are not acted on: a player without a console window still
// gets the update, and there is nowhere else to report to.

void OpenConsole()
{
    AllocConsole();
    ConsoleOutput = GetStdHandle(STD_OUTPUT_HANDLE);
}

void ConsoleWrite(const wchar_t* text)
{
    DWORD written = 0;
    WriteConsoleW(ConsoleOutput, text, static_cast<DWORD>(std::wcslen(text)), &written, nullptr);
}

void WaitForKey()
{
    std::system("pause");
}

void CloseConsole()
{
    CloseHandle(ConsoleOutput);
    ConsoleOutput = nullptr;
    FreeConsole();
}
