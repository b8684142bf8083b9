// A program for the shell tests: writes its working directory, followed by a
// line end, to the file named by the environment variable
// ORVANEL_CWD_PROBE_OUT, and ends.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char output[MAX_PATH] = {};
    if (::GetEnvironmentVariableA("ORVANEL_CWD_PROBE_OUT", output, MAX_PATH) == 0) {
        return 2;
    }
    char directory[MAX_PATH] = {};
    if (::GetCurrentDirectoryA(MAX_PATH, directory) == 0) {
        return 3;
    }
    // Written under another name first, so that the reader never sees half.
    char partial[MAX_PATH + 8];
    std::snprintf(partial, sizeof partial, "%s.part", output);
    FILE* file = std::fopen(partial, "wb");
    if (file == nullptr) {
        return 4;
    }
    std::fprintf(file, "%s\n", directory);
    std::fclose(file);
    return ::MoveFileExA(partial, output, MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
}
