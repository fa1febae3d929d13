// CTolvaneApp: the one application object of Tolvane.exe, which picks the mode from the command line.
#pragma once

#include <windows.h>

class CTolvaneApp {
public:
    // Runs one mode and returns the process exit code.
    int Run();

private:
    // FALSE always: the program has no message loop of its own beyond the modal dialog.
    BOOL InitInstance();
};
