// Stands in for the dialler in the delivery tests: lives for the given
// milliseconds, optionally holding a file open without any sharing, as a
// running program holds its own files. Installed as one of our programs, it
// answers the start-up check with the exit code in DELIVERY_STUB_CHECK_EXIT
// (0 when unset), or never, with "hang".
//   delivery_dialler_stub <ms> [path]
//   delivery_dialler_stub --startup-check
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    if (std::strcmp(argv[1], "--startup-check") == 0) {
        const char* exitCode = std::getenv("DELIVERY_STUB_CHECK_EXIT");
        if (exitCode && std::strcmp(exitCode, "hang") == 0)
            Sleep(INFINITE);
        return exitCode ? std::atoi(exitCode) : 0;
    }
    HANDLE held = INVALID_HANDLE_VALUE;
    if (argc > 2) {
        held = CreateFileA(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (held == INVALID_HANDLE_VALUE)
            return 3;
    }
    Sleep(static_cast<DWORD>(std::atoi(argv[1])));
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    return 0;
}
