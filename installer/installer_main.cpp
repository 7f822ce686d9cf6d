#include "package_runner.h"

#include <windows.h>

#include <exception>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    try {
        return RunPackage();
    } catch (const std::exception&) {
        return 1;
    }
}
