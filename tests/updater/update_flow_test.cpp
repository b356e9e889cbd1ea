// The whole update against nginx on loopback, with the real Update.exe and
// a recording stand-in installer: upgrade, shutdown request, download with
// progress, package check, installer start, close and exit event; and the
// failures that stop short of the installer.
#include <winsock2.h>

#include "framework/handles.h"
#include "framework/win_app.h"
#include "test_suite_host.h"
#include "ui_support.h"
#include "update_resource.h"
#include "updater/package_digest.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace {

CWinApp theApp;

constexpr uint32_t kPackageSize = 1048576;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string TextOf(HWND hWnd) {
    char text[1024] = {};
    SendMessageA(hWnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Hex(const Sha256Digest& digest) {
    std::string text;
    char pair[3];
    for (uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

// A port on which nothing listens.
int ClosedPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    return ntohs(address.sin_port);
}

std::string LoadUpdateString(UINT id) {
    UniqueLibrary module(LoadLibraryExA(UpdateExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    char text[512] = {};
    LoadStringA(module.get(), id, text, sizeof text);
    return text;
}

// The installer's record; it starts on its own, so it may come a little
// after the updater has ended. The installer is started by its path alone;
// this Wine then gives it the path in double quotes as its command line
// (Windows gives the bare path), so the quotes are dropped here.
std::string WaitForRecord(const std::string& path) {
    std::string record;
    PumpUntil(
        [&] {
            record = ReadAll(path);
            return !record.empty();
        },
        10000);
    const size_t bar = record.find('|');
    if (bar != std::string::npos && bar >= 2 && record[0] == '"' && record[bar - 1] == '"')
        record = record.substr(1, bar - 2) + record.substr(bar);
    return record;
}

class UpdateFlowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The package: the recording installer, padded to 1 MiB.
        std::string package = ReadAll(WindowsPath(WXB_TEST_RECORDER));
        ASSERT_FALSE(package.empty());
        ASSERT_LT(package.size(), kPackageSize);
        package.resize(kPackageSize, '\0');
        const std::string root = WindowsPath(Env("WXB_NGINX_ROOT"));
        CreateDirectoryA((root + "\\slow").c_str(), nullptr);
        WriteAll(root + "\\wxbry5.exe", package);
        WriteAll(root + "\\slow\\wxbry5.exe", package);
        packageDigest = Hex(FileSha256(root + "\\wxbry5.exe").value());
    }

    void SetUp() override {
        ASSERT_FALSE(Env("WXB_NGINX_PORT").empty()) << "run under tests/servers/with_servers.py --nginx";
        MouseMoveTo(POINT{1200, 1000});
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        workDir = std::string(temp) + "wxb_flow_" + std::to_string(GetCurrentProcessId());
        // A directory that does not exist yet: the updater makes it.
        packagePath = workDir + "\\package\\wxbry5.exe";
        recordFile = std::string(temp) + "wxb_flow_record_" + std::to_string(GetCurrentProcessId()) + ".txt";
        DeleteFileA(recordFile.c_str());
        SetEnvironmentVariableA("WXB_RECORD_FILE", recordFile.c_str());
        TestSuiteHost::SetField(host.Block().packagePath, packagePath);
        std::strcpy(host.Block().releaseNotes, "Wexbury 5");
    }

    void TearDown() override {
        DeleteFileA(packagePath.c_str());
        DeleteFileA((packagePath + ".down").c_str());
        DeleteFileA((packagePath + ".sha256").c_str());
        RemoveDirectoryA((workDir + "\\package").c_str());
        RemoveDirectoryA(workDir.c_str());
        DeleteFileA(recordFile.c_str());
    }

    void Offer(const std::string& path) {
        TestSuiteHost::SetField(host.Block().downloadUrl, "http://127.0.0.1:" + Env("WXB_NGINX_PORT") + path);
    }

    HWND StartAndUpgrade() {
        if (!host.Start())
            return nullptr;
        HWND dlg = host.WaitForDialog();
        if (!dlg)
            return nullptr;
        RECT rect;
        GetWindowRect(GetDlgItem(dlg, IDC_UPGRADE), &rect);
        MouseMoveTo(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
        MouseDown();
        MouseUp();
        return dlg;
    }

    static std::string packageDigest;
    TestSuiteHost host;
    std::string workDir;
    std::string packagePath;
    std::string recordFile;
};

std::string UpdateFlowTest::packageDigest;

TEST_F(UpdateFlowTest, UpgradeDownloadsWithProgressAndStartsTheInstaller) {
    Offer("/slow/wxbry5.exe");
    HWND dlg = StartAndUpgrade();
    ASSERT_TRUE(dlg);
    HWND progressText = GetDlgItem(dlg, IDC_PROGRESS_TEXT);
    HWND progressBar = GetDlgItem(dlg, IDC_PROGRESS);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_UPGRADE)));
    EXPECT_EQ(1, host.ShutdownCount()) << "the suite is asked to shut down as the upgrade starts";

    // Watch the progress until the dialog closes.
    std::set<std::string> texts;
    int barChecks = 0;
    const bool ended = PumpUntil(
        [&] {
            if (!IsWindow(dlg))
                return true;
            const std::string text = TextOf(progressText);
            if (!text.empty() && texts.insert(text).second) {
                unsigned done = 0, total = 0, percent = 0;
                if (std::sscanf(text.c_str(), "下载进度：%u/%u  %u%%", &done, &total, &percent) == 3 &&
                    total == kPackageSize && percent < 100) {
                    const auto position = static_cast<unsigned>(SendMessageA(progressBar, PBM_GETPOS, 0, 0));
                    barChecks += position == percent;
                }
            }
            return false;
        },
        30000);
    ASSERT_TRUE(ended);
    ASSERT_TRUE(host.WaitForExit());

    unsigned lastDone = 0;
    int parsed = 0;
    for (const std::string& text : texts) {
        unsigned done = 0, total = 0, percent = 0;
        char rest = 0;
        ASSERT_EQ(3, std::sscanf(text.c_str(), "下载进度：%u/%u  %u%%%c", &done, &total, &percent, &rest))
            << text;
        EXPECT_EQ(kPackageSize, total) << text;
        EXPECT_LE(done, total) << text;
        EXPECT_EQ(uint64_t{done} * 100 / total, percent) << text;
        lastDone = std::max(lastDone, done);
        ++parsed;
    }
    EXPECT_GE(parsed, 3) << "the progress moved in steps";
    EXPECT_GE(barChecks, 1) << "the bar shows the percentage";

    // The installer ran from the package's directory; the dialog then closed
    // and set the exit event.
    const std::string record = WaitForRecord(recordFile);
    EXPECT_EQ(0u, record.find(packagePath + "|")) << record;
    const std::string directory = record.substr(record.find('|') + 1);
    EXPECT_EQ(0, lstrcmpiA((workDir + "\\package\n").c_str(), directory.c_str())) << directory;
    EXPECT_TRUE(host.ExitEventSet());
    EXPECT_EQ(1, host.ShutdownCount()) << "an optional update asks once";
    EXPECT_EQ(kPackageSize, ReadAll(packagePath).size());
}

TEST_F(UpdateFlowTest, LeavingMidDownloadKeepsThePartForTheNextRun) {
    Offer("/slow/wxbry5.exe");
    HWND dlg = StartAndUpgrade();
    ASSERT_TRUE(dlg);
    HWND progressText = GetDlgItem(dlg, IDC_PROGRESS_TEXT);
    unsigned done = 0, total = 0, percent = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            return std::sscanf(TextOf(progressText).c_str(), "下载进度：%u/%u  %u%%", &done, &total,
                               &percent) == 3 &&
                   done >= 200000;
        },
        15000));
    // Leaving ends the process at once, download or not.
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.WaitForExit(3000));
    EXPECT_TRUE(host.ExitEventSet());
    const size_t part = ReadAll(packagePath + ".down").size();
    EXPECT_GE(part, done);
    EXPECT_LT(part, kPackageSize);
    EXPECT_TRUE(ReadAll(recordFile).empty());

    // The next run resumes from what arrived.
    dlg = StartAndUpgrade();
    ASSERT_TRUE(dlg);
    progressText = GetDlgItem(dlg, IDC_PROGRESS_TEXT);
    unsigned first = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            return std::sscanf(TextOf(progressText).c_str(), "下载进度：%u/%u  %u%%", &first, &total,
                               &percent) == 3;
        },
        15000));
    EXPECT_GE(first, part);
    EXPECT_EQ(kPackageSize, total);
    ASSERT_TRUE(host.WaitForExit(30000));
    EXPECT_EQ(0u, WaitForRecord(recordFile).find(packagePath + "|"));
    EXPECT_EQ(kPackageSize, ReadAll(packagePath).size());
}

TEST_F(UpdateFlowTest, FailedDownloadSaysSoAndStartsNothing) {
    TestSuiteHost::SetField(host.Block().downloadUrl,
                            "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/wxbry5.exe");
    HWND dlg = StartAndUpgrade();
    ASSERT_TRUE(dlg);
    char expected[256];
    std::snprintf(expected, sizeof expected, LoadUpdateString(IDS_DOWNLOAD_FAILED).c_str(),
                  7); // DL_NET_ERROR
    HWND progressText = GetDlgItem(dlg, IDC_PROGRESS_TEXT);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(progressText) == expected; }, 15000)) << TextOf(progressText);
    PumpFor(700);
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_UPGRADE)));
    EXPECT_TRUE(ReadAll(recordFile).empty());
    EXPECT_FALSE(host.ExitEventSet());
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.WaitForExit());
    EXPECT_TRUE(host.ExitEventSet());
}

TEST_F(UpdateFlowTest, PackageMatchingTheHostsDigestIsInstalled) {
    Offer("/wxbry5.exe");
    CreateDirectoryA(workDir.c_str(), nullptr);
    CreateDirectoryA((workDir + "\\package").c_str(), nullptr);
    WriteAll(packagePath + ".sha256", packageDigest + "  wxbry5.exe\n");
    ASSERT_TRUE(StartAndUpgrade());
    ASSERT_TRUE(host.WaitForExit(30000));
    EXPECT_EQ(0u, WaitForRecord(recordFile).find(packagePath + "|"));
    EXPECT_EQ(kPackageSize, ReadAll(packagePath).size());
}

TEST_F(UpdateFlowTest, PackageNotMatchingTheHostsDigestIsDeletedAndNeverRun) {
    Offer("/wxbry5.exe");
    CreateDirectoryA(workDir.c_str(), nullptr);
    CreateDirectoryA((workDir + "\\package").c_str(), nullptr);
    std::string wrong = packageDigest;
    wrong[0] = wrong[0] == '0' ? '1' : '0';
    WriteAll(packagePath + ".sha256", wrong + "  wxbry5.exe\n");
    HWND dlg = StartAndUpgrade();
    ASSERT_TRUE(dlg);
    const std::string expected = LoadUpdateString(IDS_PACKAGE_REJECTED);
    HWND progressText = GetDlgItem(dlg, IDC_PROGRESS_TEXT);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(progressText) == expected; }, 15000)) << TextOf(progressText);
    PumpFor(700);
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(packagePath.c_str()));
    EXPECT_TRUE(ReadAll(recordFile).empty());
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.WaitForExit());
}

} // namespace
