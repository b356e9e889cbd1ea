// Starting a package as the installer, from a folder with a Chinese name or
// a space, its quoted path as its command line: through CreateProcess, and
// through the shell, the way taken on Windows
// when CreateProcess answers that the package needs elevation. This Wine
// never gives that answer (it starts such a package at once, without a
// prompt), so the shell's way is driven directly here.
#include "tests/harness/temp_folder.h"
#include "tests/harness/wait_until.h"
#include "updater/installer_start.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

struct StartCase {
    const char* what;
    const char* folder;
    bool packageThere;
    bool throughShell;
    DWORD expectedError;
};

const StartCase kStartCases[] = {
    {"the recorder, started directly", "升级包", true, false, ERROR_SUCCESS},
    {"the recorder, started through the shell", "升级包", true, true, ERROR_SUCCESS},
    {"a folder name with a space", "Wexbury update", true, false, ERROR_SUCCESS},
    {"a missing package", "升级包", false, false, ERROR_FILE_NOT_FOUND},
};

std::wstring Wide(const std::string& text) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH);
    return wide;
}

TEST(InstallerStartTest, StartsFromThePackagesFolderOrNamesTheFailure) {
    for (const StartCase& row : kStartCases) {
        SCOPED_TRACE(row.what);
        harness::TempFolder folder;
        const std::string directory = folder.Path(row.folder);
        ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
        const std::string package = directory + "\\wxbry5.exe";
        if (row.packageThere) {
            ASSERT_TRUE(folder.CopyIn("Z:" WXB_TEST_RECORDER, std::string(row.folder) + "\\wxbry5.exe"));
        }
        const std::string record = folder.Path("record.txt");
        SetEnvironmentVariableA("WXB_RECORD_FILE", record.c_str());

        const DWORD error = row.throughShell
                                ? StartInstallerThroughShell(Wide(package), Wide(directory + "\\"), nullptr)
                                : StartInstaller(Wide(package), Wide(directory + "\\"), nullptr);
        EXPECT_EQ(row.expectedError, error);
        if (row.expectedError != ERROR_SUCCESS)
            continue;
        // The recorder runs on its own: wait for its line.
        std::string line;
        harness::WaitUntil(
            [&] {
                line = harness::ReadWholeFile(record);
                return !line.empty();
            },
            5000);
        EXPECT_EQ(0u, line.find("\"" + package + "\"|")) << line;
        EXPECT_EQ(0, lstrcmpiA((directory + "\n").c_str(), line.substr(line.find('|') + 1).c_str())) << line;
        // The folder goes only after the recorder has.
        harness::WaitUntil([&] { return DeleteFileA(package.c_str()) != FALSE; }, 5000);
    }
}

} // namespace
