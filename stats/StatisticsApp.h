#pragma once
// The statistics program's start-up, message loop and exit code.
//
// Start contract: the dialler passes its main dialog's window handle in the
// standard-input field of the start-up information, with
// STARTF_USESTDHANDLES (and in decimal on the command line, which is read
// only when the platform lost the field). Without it there is no window and
// the program ends with code 0. The dialler stops the program by posting a quit message to
// its main thread; the program then exits with the code that message carries.
#include <windows.h>

class StatisticsApp {
public:
    explicit StatisticsApp(HINSTANCE instance);
    StatisticsApp(const StatisticsApp&) = delete;
    StatisticsApp& operator=(const StatisticsApp&) = delete;

    // Runs the program to its end and returns the process's exit code.
    int Run();

    // The dialler's window from this process's start-up information, or null
    // when the program was not started by the dialler.
    static HWND DiallerWindowFromStartupInfo();

private:
    HINSTANCE instance;
};
