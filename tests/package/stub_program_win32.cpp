// Stands in for the window program in the installer test while the Windows
// build has none: started from the Start-menu shortcut, it writes the settings
// file into its working directory, as the program does on its first start in
// an empty folder, and ends.
#include <cstdio>

int main() {
    std::FILE* file = std::fopen("schedule.ini", "wb");
    if (file == nullptr) {
        return 1;
    }
    std::fputs("Script Delay (mSecs):\r\n0\r\n", file);
    return std::fclose(file) == 0 ? 0 : 1;
}
