#include "update_driver.h"

#include <windows.h>

#include <exception>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // Only an allocation can throw here; a player is better served by exit
    // code 1 than by the runtime's abort dialog.
    try {
        return RunUpdate();
    } catch (const std::exception&) {
        return 1;
    }
}
