// Stands in for the dialler in the delivery tests: lives for the given
// milliseconds, optionally holding a file open without any sharing, as a
// running program holds its own files.
//   delivery_dialler_stub <ms> [path]
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
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
