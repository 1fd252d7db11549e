// Stands in for switcher.exe in the dialler tests: records the directory it
// was started in and its argument, in a file beside itself.
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv)
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    char* slash = strrchr(self, '\\');
    if (slash)
        slash[1] = '\0';
    char report[MAX_PATH + 32];
    snprintf(report, sizeof report, "%sswitcher-probe.txt", self);

    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    // Appended, so a test can count how often switcher was started.
    FILE* out = fopen(report, "a");
    if (!out)
        return 1;
    fprintf(out, "%s\n%s\n", directory, argc > 1 ? argv[1] : "");
    fclose(out);
    return 0;
}
