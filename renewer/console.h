#pragma once
#include <windows.h>

// Renewer's one console output handle, set when the driver opens the console.
extern HANDLE ConsoleOutput;

void OpenConsole();
void ConsoleWrite(const wchar_t* text);
void WaitForKey();
void CloseConsole();
