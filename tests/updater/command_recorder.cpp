// A stand-in for a program the updater starts (the installer, a browser):
// it appends its command line and working directory to the file named by
// WXB_RECORD_FILE, one "<command line>|<directory>" line per start.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char recordFile[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("WXB_RECORD_FILE", recordFile, MAX_PATH))
        return 1;
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    FILE* out = std::fopen(recordFile, "ab");
    if (!out)
        return 1;
    std::fprintf(out, "%s|%s\n", GetCommandLineA(), directory);
    std::fclose(out);
    return 0;
}
