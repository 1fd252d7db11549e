// Timings for tools/bench-delivery.sh, taken inside Wine with the
// performance counter:
//   delivery_bench download URL PATH SIZE   one DownloadFile into PATH
//   delivery_bench switch DIR COUNT         switcher.exe installing COUNT
//                                           staged files in DIR
//   delivery_bench check PROGRAM COUNT      PROGRAM's start-up check, COUNT
//                                           times, as the switcher runs it
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "switcher/StartupCheck.h"
#include "utils/Utils.h"

namespace {

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool WriteFileOf(const std::string& path, size_t size, char fill)
{
    const std::vector<char> data(size, fill);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, data.data(), static_cast<DWORD>(size), &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

int Download(const char* url, const char* path, const char* sizeText)
{
    const uint32_t size = static_cast<uint32_t>(std::strtoul(sizeText, nullptr, 10));
    DeleteFileA(path);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const bool ok = DownloadFile(url, path, size);
    QueryPerformanceCounter(&end);
    const double seconds = Seconds(start, end);
    std::printf("download ok=%d bytes=%u seconds=%.3f mbps=%.1f\n", ok ? 1 : 0, size, seconds,
                size / seconds / (1024.0 * 1024.0));
    return ok ? 0 : 1;
}

int Switch(const char* dir, int count)
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string source(program);
    source = source.substr(0, source.find_last_of('\\')) + "\\switcher.exe";
    const std::string switcher = std::string(dir) + "\\switcher.exe";
    CreateDirectoryA(dir, nullptr);
    if (!CopyFileA(source.c_str(), switcher.c_str(), FALSE))
        return 1;
    for (int i = 0; i < count; ++i) {
        const std::string target = std::string(dir) + "\\file" + std::to_string(i) + ".dll";
        if (!WriteFileOf(target, 65536, 'o') || !WriteFileOf(target + ".uok", 65536, 'n'))
            return 1;
    }

    std::string commandLine = "\"" + switcher + "\" \"\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(switcher.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return 1;
    WaitForSingleObject(info.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);

    int left = 0;
    for (int i = 0; i < count; ++i) {
        const std::string staged = std::string(dir) + "\\file" + std::to_string(i) + ".dll.uok";
        if (GetFileAttributesA(staged.c_str()) != INVALID_FILE_ATTRIBUTES)
            ++left;
    }
    std::printf("switch files=%d left=%d seconds=%.3f\n", count, left, Seconds(start, end));
    return left == 0 ? 0 : 1;
}

// Bounded well past the switcher's own limit, so a slow check is measured
// rather than cut off.
const DWORD kBenchCheckMs = 30000;

int Check(const char* program, int count)
{
    wchar_t path[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, program, -1, path, MAX_PATH) || count < 1)
        return 1;
    wchar_t directory[MAX_PATH];
    lstrcpyW(directory, path);
    wchar_t* slash = wcsrchr(directory, L'\\');
    if (slash)
        slash[1] = L'\0';
    std::vector<double> ms;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        if (!switcher::RunStartupCheck(path, directory, kBenchCheckMs))
            ++failed;
        QueryPerformanceCounter(&end);
        ms.push_back(Seconds(start, end) * 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("check runs=%d failed=%d median_ms=%.0f max_ms=%.0f limit_ms=%lu\n", count, failed,
                ms[ms.size() / 2], ms.back(), static_cast<unsigned long>(switcher::kStartupCheckMs));
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "download")
        return Download(argv[2], argv[3], argv[4]);
    if (argc == 4 && std::string(argv[1]) == "switch")
        return Switch(argv[2], std::atoi(argv[3]));
    if (argc == 4 && std::string(argv[1]) == "check")
        return Check(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: delivery_bench download URL PATH SIZE | switch DIR COUNT | check PROGRAM COUNT\n");
    return 2;
}
