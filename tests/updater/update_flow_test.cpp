// The whole update against nginx on loopback, with the real Update.exe and
// a recording stand-in installer: upgrade, shutdown request, download with
// progress, signature and package check, installer start, close and exit
// event; the failures that stop short of the installer and offer "升级"
// again; the user's proxy (tinyproxy). nginx serves the packages that
// serve_flow_packages.sh signed with the build's key. Runs in a network
// namespace with loopback alone, where "wexbury-mirror.test" and
// "wexbury-mirror" lead to loopback and "wexbury-update.invalid" resolves
// nowhere (tests/updater/isolated_hosts).
#include <winsock2.h>

#include "download/file_times.h"
#include "framework/handles.h"
#include "framework/win_app.h"
#include "resources/update_resource.h"
#include "suite/root_certificate.h"
#include "tests/updater/test_suite_host.h"
#include "tests/updater/ui_support.h"
#include "download/http_download.h"
#include "updater/package_digest.h"
#include "updater/update_messages.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

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

// The user's proxy setting where this Wine's WinINet reads it, in the
// test's own prefix; switched off again with the object.
class UserProxy {
public:
    UserProxy(DWORD enable, const std::string& server, const std::string& bypass) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        m_key.reset(key);
        RegSetValueExA(m_key.get(), "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                       sizeof enable);
        RegSetValueExA(m_key.get(), "ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                       static_cast<DWORD>(server.size() + 1));
        RegSetValueExA(m_key.get(), "ProxyOverride", 0, REG_SZ, reinterpret_cast<const BYTE*>(bypass.c_str()),
                       static_cast<DWORD>(bypass.size() + 1));
    }
    ~UserProxy() {
        const DWORD off = 0;
        RegSetValueExA(m_key.get(), "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off),
                       sizeof off);
        RegDeleteValueA(m_key.get(), "ProxyServer");
        RegDeleteValueA(m_key.get(), "ProxyOverride");
    }
    UserProxy(const UserProxy&) = delete;
    UserProxy& operator=(const UserProxy&) = delete;

private:
    static constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    UniqueRegKey m_key;
};

std::string LoadUpdateString(UINT id) {
    UniqueLibrary module(LoadLibraryExA(UpdateExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    char text[512] = {};
    LoadStringA(module.get(), id, text, sizeof text);
    return text;
}

// A failure line of the updater with its code filled in.
std::string FailureText(UINT id, int code) {
    char text[512];
    std::snprintf(text, sizeof text, LoadUpdateString(id).c_str(), code);
    return text;
}

// The status codes nginx answered to requests for object, oldest first.
std::vector<int> NginxAnswers(const std::string& object) {
    std::istringstream log(ReadAll(WindowsPath(Env("WXB_NGINX_LOG"))));
    const std::string request = "\"GET " + object + " HTTP/1.1\" ";
    std::vector<int> statuses;
    for (std::string line; std::getline(log, line);) {
        const size_t at = line.find(request);
        if (at != std::string::npos)
            statuses.push_back(std::atoi(line.c_str() + at + request.size()));
    }
    return statuses;
}

// The same, as "200 206".
std::string Answers(const std::string& object) {
    std::string text;
    for (int status : NginxAnswers(object))
        text += (text.empty() ? "" : " ") + std::to_string(status);
    return text;
}

// A file nginx serves, by its object path.
std::string ServedFile(const std::string& object) {
    return WindowsPath(Env("WXB_NGINX_ROOT")) + object;
}

// Whether tinyproxy's log names a request for url (https: a tunnel to its host and port).
bool ProxyWasAskedFor(const std::string& url) {
    const size_t authority = url.find("://") + 3;
    const std::string request = url.rfind("https", 0) == 0
                                    ? "CONNECT " + url.substr(authority, url.find('/', authority) - authority)
                                    : "GET " + url;
    return ReadAll(WindowsPath(Env("WXB_TINYPROXY_LOG"))).find(request + " HTTP/1.1") != std::string::npos;
}

// A click on "升级" as another program sends it, whatever the button's state.
void PostUpgradeCommand(HWND dlg) {
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_UPGRADE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_UPGRADE)));
}

// The installer's record; it starts on its own, so it may come a little
// after the updater has ended.
std::string WaitForRecord(const std::string& path) {
    std::string record;
    PumpUntil(
        [&] {
            record = ReadAll(path);
            return !record.empty();
        },
        10000);
    return record;
}

// The files in a folder.
int FilesIn(const std::string& folder) {
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    int files = 0;
    if (search) {
        do
            files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        while (FindNextFileA(search.get(), &found));
    }
    return files;
}

// What the record shows started: a copy of the package served, alone in a
// folder of its own under the temporary folder, that folder its working
// directory and its quoted path its command line. The copy's folder.
std::string ExpectCheckedCopyStarted(const std::string& record, const std::string& package) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const size_t bar = record.find('|');
    EXPECT_TRUE(bar != std::string::npos && bar > 2 && record[0] == '"' && record[bar - 1] == '"') << record;
    if (bar == std::string::npos || bar <= 2)
        return "";
    const std::string path = record.substr(1, bar - 2);
    const std::string folder = path.substr(0, path.rfind('\\'));
    EXPECT_EQ(0, lstrcmpiA((folder + "\n").c_str(), record.substr(bar + 1).c_str())) << record;
    EXPECT_EQ(
        0, _strnicmp(folder.c_str(), (temp + std::string("wxb-installer-")).c_str(), std::strlen(temp) + 14))
        << folder;
    EXPECT_EQ("\\wxbry5.exe", path.substr(folder.size()));
    EXPECT_EQ(package, ReadAll(path));
    EXPECT_EQ(1, FilesIn(folder)) << "nothing beside the copy";
    return folder;
}

class UpdateFlowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The package: the recording installer, padded to 1 MiB.
        const std::string package = ServedFile("/wxbry5.exe");
        servedPackage = ReadAll(package);
        ASSERT_EQ(kPackageSize, servedPackage.size()) << "run under serve_flow_packages.sh";
        packageDigest = Hex(FileSha256(package).value());
        // The test CA of the https servers, in this test's own prefix.
        ASSERT_TRUE(AddRootCertificate(WindowsPath(Env("WXB_TLS_CA")))) << "run under with_servers.py --tls";
    }

    void SetUp() override {
        ASSERT_FALSE(Env("WXB_NGINX_PORT").empty()) << "run under tests/servers/with_servers.py --nginx";
        ASSERT_FALSE(Env("WXB_TINYPROXY_PORT").empty())
            << "run under tests/servers/with_servers.py --tinyproxy";
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
        DeleteFileA((packagePath + ".sig").c_str());
        RemoveDirectoryA((workDir + "\\package").c_str());
        RemoveDirectoryA(workDir.c_str());
        DeleteFileA(recordFile.c_str());
    }

    // portVariable: nginx's plain server, or one of its TLS servers (https).
    void Offer(const std::string& path, const std::string& server = "127.0.0.1",
               const char* portVariable = "WXB_NGINX_PORT") {
        TestSuiteHost::SetField(host.Block().downloadUrl, PackageUrl(path, server, portVariable));
    }
    static std::string PackageUrl(const std::string& path, const std::string& server,
                                  const char* portVariable = "WXB_NGINX_PORT") {
        const bool tls = std::string(portVariable).find("_TLS") != std::string::npos;
        return (tls ? "https://" : "http://") + server + ":" + Env(portVariable) + path;
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

    // The upgrade button is enabled again after a run that stopped short.
    bool WaitForUpgradeOffered(HWND dlg, DWORD milliseconds = 15000) {
        return PumpUntil([&] { return IsWindowEnabled(GetDlgItem(dlg, IDC_UPGRADE)) != FALSE; },
                         milliseconds);
    }

    static std::string packageDigest;
    static std::string servedPackage;
    TestSuiteHost host;
    std::string workDir;
    std::string packagePath;
    std::string recordFile;
};

std::string UpdateFlowTest::packageDigest;
std::string UpdateFlowTest::servedPackage;

TEST_F(UpdateFlowTest, UpgradeDownloadsWithProgressAndStartsTheInstaller) {
    Offer("/slow/wxbry5.exe");
    HWND dlg = StartAndUpgrade();
    ASSERT_TRUE(dlg);
    HWND progressText = GetDlgItem(dlg, IDC_PROGRESS_TEXT);
    HWND progressBar = GetDlgItem(dlg, IDC_PROGRESS);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_UPGRADE)));
    EXPECT_EQ(1, host.ShutdownCount()) << "the suite is asked to shut down as the upgrade starts";
    // A second command while the worker runs starts nothing: no second
    // shutdown request and no second download (counted below).
    PostUpgradeCommand(dlg);
    // The About box open when the download ends closes with the dialog.
    PostMessageA(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    DWORD processId = 0;
    GetWindowThreadProcessId(dlg, &processId);
    EXPECT_TRUE(PumpUntil([&] { return VisibleDialogsOf(processId).size() == 2; }));

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
    EXPECT_EQ(1u, texts.count("下载进度：1048576/1048576  100%")) << "the final figures are shown";
    EXPECT_GE(barChecks, 1) << "the bar shows the percentage";

    // The installer ran; the dialog then closed and set the exit event.
    ExpectCheckedCopyStarted(WaitForRecord(recordFile), servedPackage);
    EXPECT_TRUE(host.ExitEventSet());
    EXPECT_EQ(1, host.ShutdownCount()) << "an optional update asks once";
    EXPECT_EQ(std::vector<int>{200}, NginxAnswers("/slow/wxbry5.exe"));
    EXPECT_EQ(servedPackage, ReadAll(packagePath));
    // Its signature came once, beside it, without showing in the progress.
    EXPECT_EQ(std::vector<int>{200}, NginxAnswers("/slow/wxbry5.exe.sig"));
    EXPECT_EQ(ReadAll(ServedFile("/slow/wxbry5.exe.sig")), ReadAll(packagePath + ".sig"));
}

TEST_F(UpdateFlowTest, LeavingMidDownloadKeepsThePartForTheNextRun) {
    Offer("/slow/left.exe");
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
        15000))
        << TextOf(progressText)
        << (IsWindowEnabled(GetDlgItem(dlg, IDC_UPGRADE)) ? " (upgrade not pressed)" : "");
    // Leaving stops the download, which closes its file, and ends.
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
    ExpectCheckedCopyStarted(WaitForRecord(recordFile), servedPackage);
    EXPECT_EQ((std::vector<int>{200, 206}), NginxAnswers("/slow/left.exe"));
    EXPECT_EQ(servedPackage, ReadAll(packagePath));
}

// A download that stopped short, tried again. nginx fails what lies in
// flaky/ with 500 and the signatures in flakysig/ with 503 while ".fail"
// lies there, and sends those in slowsig/ at 16 bytes a second while ".slow"
// does (nginx_flow.conf).
struct RetryCase {
    const char* what;
    const char* folder;
    const char* flag;
    bool partLeft;              // 300000 bytes left in the ".down" by an earlier run, stamped as it left them
    int failure;                // the download result shown; 0: the user leaves while the signature comes
    bool nextRun;               // tried again by a new run of the updater, not by a press
    const char* packageAnswers; // nginx's answers, as Answers writes them
    const char* signatureAnswers;
};

const RetryCase kRetryCases[] = {
    {"the package answered 500, a press resumes it", "flaky", ".fail", true, 7, false, "500 206", "200"},
    // A complete package is kept when only its signature could not be had.
    {"the signature answered 503, the next run fetches only it", "flakysig", ".fail", false, 7, true, "200",
     "503 200"},
    {"the user leaves while the signature comes", "slowsig", ".slow", false, 0, true, "200", "200 200"},
};

TEST_F(UpdateFlowTest, FailedDownloadOffersUpgradeAgainAndTheNextTryResumes) {
    for (const RetryCase& row : kRetryCases) {
        SCOPED_TRACE(row.what);
        const std::string object = std::string("/") + row.folder + "/wxbry5.exe";
        Offer(object);
        CreateDirectoryA(workDir.c_str(), nullptr);
        CreateDirectoryA((workDir + "\\package").c_str(), nullptr);
        if (row.partLeft) {
            WriteAll(packagePath + ".down", servedPackage.substr(0, 300000));
            ASSERT_TRUE(SetLastWriteSeconds(packagePath + ".down", LastWriteSeconds(ServedFile(object))));
        }
        const std::string flag = ServedFile(std::string("/") + row.folder + "/" + row.flag);
        WriteAll(flag, "");
        const int shutdowns = host.ShutdownCount();
        HWND dlg = StartAndUpgrade();
        ASSERT_TRUE(dlg);
        HWND progressText = GetDlgItem(dlg, IDC_PROGRESS_TEXT);
        if (row.failure != 0) {
            const std::string expected = FailureText(IDS_DOWNLOAD_FAILED, row.failure);
            EXPECT_TRUE(PumpUntil([&] { return TextOf(progressText) == expected; }, 15000))
                << TextOf(progressText);
            ASSERT_TRUE(WaitForUpgradeOffered(dlg));
        } else {
            // The signature is asked for once the package is in place.
            EXPECT_TRUE(PumpUntil([&] { return ReadAll(packagePath) == servedPackage; }, 15000));
        }
        EXPECT_TRUE(ReadAll(recordFile).empty());
        EXPECT_EQ(row.partLeft ? "" : servedPackage, ReadAll(packagePath));
        DeleteFileA(flag.c_str());
        if (row.nextRun) {
            PostMessageA(dlg, WM_CLOSE, 0, 0);
            ASSERT_TRUE(host.WaitForExit(3000));
            dlg = StartAndUpgrade();
            ASSERT_TRUE(dlg);
        } else {
            PostUpgradeCommand(dlg);
        }
        ASSERT_TRUE(host.WaitForExit(30000));
        ExpectCheckedCopyStarted(WaitForRecord(recordFile), servedPackage);
        EXPECT_EQ(row.packageAnswers, Answers(object));
        EXPECT_EQ(row.signatureAnswers, Answers(object + ".sig"));
        EXPECT_EQ(servedPackage, ReadAll(packagePath));
        EXPECT_EQ(shutdowns + 2, host.ShutdownCount()) << "each run asks the suite again";
        EXPECT_TRUE(host.ExitEventSet());
        TearDown();
    }
}

TEST_F(UpdateFlowTest, PackageThatCannotStartIsCheckedAgainForEveryStartWithoutDownloading) {
    Offer("/notes.exe");
    HWND dlg = StartAndUpgrade();
    ASSERT_TRUE(dlg);
    HWND progressText = GetDlgItem(dlg, IDC_PROGRESS_TEXT);
    // Wine and Windows both refuse such a file with ERROR_BAD_EXE_FORMAT.
    const std::string expected = FailureText(IDS_INSTALLER_FAILED, ERROR_BAD_EXE_FORMAT);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(progressText) == expected; }, 15000)) << TextOf(progressText);
    ASSERT_TRUE(WaitForUpgradeOffered(dlg));

    // The press starts the package again, without a download, but with its
    // signature fetched and checked anew.
    SetWindowTextA(progressText, "");
    PostUpgradeCommand(dlg);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(progressText) == expected; }, 15000)) << TextOf(progressText);
    ASSERT_TRUE(WaitForUpgradeOffered(dlg));
    EXPECT_EQ(std::vector<int>{200}, NginxAnswers("/notes.exe"));
    EXPECT_EQ((std::vector<int>{200, 200}), NginxAnswers("/notes.exe.sig"));
    EXPECT_EQ(2, host.ShutdownCount());
    EXPECT_EQ(std::string(4096, 'n'), ReadAll(packagePath));

    // Changed since it was checked: refused and deleted.
    WriteAll(packagePath, std::string(4096, 'm'));
    PostUpgradeCommand(dlg);
    const std::string wrong = LoadUpdateString(IDS_SIGNATURE_WRONG);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(progressText) == wrong; }, 15000)) << TextOf(progressText);
    ASSERT_TRUE(WaitForUpgradeOffered(dlg));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(packagePath.c_str()));
    EXPECT_EQ(std::vector<int>{200}, NginxAnswers("/notes.exe"));
    EXPECT_TRUE(ReadAll(recordFile).empty());
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.WaitForExit());
    EXPECT_TRUE(host.ExitEventSet());
}

// What lies around a run that installs.
enum class Around {
    kNothing,
    kHostDigest,     // the host's digest of the package beside it
    kStalePackage,   // a package of an earlier update at the path
    kPlantedDll,     // a DLL beside the package that the installer would load
    kRetargetedLink, // the package's folder is a link, pointed elsewhere once the package is checked
    kOutsider,       // another program posts an outcome and sends progress during the download
    kTempWithSpace,  // the user's temporary folder has a space in its name
};

struct InstallCase {
    const char* what;
    const char* address; // after "http://127.0.0.1:<port>"
    Around around;
    const char* object;    // the package's request target, as nginx logs it
    const char* signature; // the signature's
    int signatureRequests; // each answered 200
};

const InstallCase kInstallCases[] = {
    {"the host's digest matching", "/row/digest-ok/wxbry5.exe", Around::kHostDigest,
     "/row/digest-ok/wxbry5.exe", "/row/digest-ok/wxbry5.exe.sig", 1},
    {"an address with trailing white space", "/row/blank/wxbry5.exe \t\r\n", Around::kNothing,
     "/row/blank/wxbry5.exe", "/row/blank/wxbry5.exe.sig", 1},
    {"an address with a query", "/row/query/wxbry5.exe?v=2", Around::kNothing, "/row/query/wxbry5.exe?v=2",
     "/row/query/wxbry5.exe.sig?v=2", 1},
    {"a package of an earlier update, refused, gives way to the new one", "/row/stale/wxbry5.exe",
     Around::kStalePackage, "/row/stale/wxbry5.exe", "/row/stale/wxbry5.exe.sig", 2},
    {"a DLL beside the package", "/row/dll/wxbry5.exe", Around::kPlantedDll, "/row/dll/wxbry5.exe",
     "/row/dll/wxbry5.exe.sig", 1},
    // This Wine follows a Unix symbolic link as Windows follows a junction;
    // serve_flow_packages.sh made links/package (to links/real) and
    // links/impostor (another program).
    {"the package's folder a link, retargeted during the start", "/row/link/wxbry5.exe",
     Around::kRetargetedLink, "/row/link/wxbry5.exe", "/row/link/wxbry5.exe.sig", 1},
    {"an outcome posted and progress sent from outside", "/slow/outsider.exe", Around::kOutsider,
     "/slow/outsider.exe", "/slow/outsider.exe.sig", 1},
    {"a temporary folder with a space in its name", "/row/space/wxbry5.exe", Around::kTempWithSpace,
     "/row/space/wxbry5.exe", "/row/space/wxbry5.exe.sig", 1},
};

TEST_F(UpdateFlowTest, CheckedCopyOfThePackageIsInstalled) {
    const std::string links = WindowsPath(Env("WXB_NGINX_ROOT")) + "\\links\\";
    const std::string ordinaryTemp = Env("TMP");
    std::string earlierCopy;
    for (const InstallCase& row : kInstallCases) {
        SCOPED_TRACE(row.what);
        TestSuiteHost::SetField(host.Block().downloadUrl, PackageUrl(row.address, "127.0.0.1"));
        if (row.around == Around::kRetargetedLink) {
            packagePath = links + "package\\wxbry5.exe";
            TestSuiteHost::SetField(host.Block().packagePath, packagePath);
        }
        CreateDirectoryA(workDir.c_str(), nullptr);
        CreateDirectoryA((workDir + "\\package").c_str(), nullptr);
        if (row.around == Around::kHostDigest)
            WriteAll(packagePath + ".sha256", packageDigest + "  wxbry5.exe\n");
        if (row.around == Around::kStalePackage)
            WriteAll(packagePath, std::string(4096, 'n'));
        if (row.around == Around::kPlantedDll)
            WriteAll(workDir + "\\package\\version.dll", "MZ planted");
        const std::string spaceTemp = workDir + "\\temp folder";
        if (row.around == Around::kTempWithSpace) {
            CreateDirectoryA(spaceTemp.c_str(), nullptr);
            SetEnvironmentVariableA("TMP", spaceTemp.c_str());
            SetEnvironmentVariableA("TEMP", spaceTemp.c_str());
        }
        HWND dlg = StartAndUpgrade();
        ASSERT_TRUE(dlg);
        // The updater removed the folder the previous row's installer ran from.
        if (row.around != Around::kTempWithSpace) {
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(earlierCopy.c_str())) << earlierCopy;
        }
        if (row.around == Around::kRetargetedLink) {
            // Retargeted as soon as the check holds the package.
            PumpUntil(
                [&] {
                    const UniqueHandle writer(
                        CreateFileA((links + "real\\wxbry5.exe").c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
                    return (!writer && GetLastError() == ERROR_SHARING_VIOLATION) || !IsWindow(dlg);
                },
                30000);
            // MoveFile follows the link here: the folder it leads to is
            // replaced instead, which retargets the path all the same.
            EXPECT_TRUE(MoveFileA((links + "real").c_str(), (links + "real-was").c_str())) << GetLastError();
            EXPECT_TRUE(MoveFileA((links + "impostor").c_str(), (links + "real").c_str())) << GetLastError();
        }
        const std::string failure = FailureText(IDS_DOWNLOAD_FAILED, DL_NET_ERROR);
        if (row.around == Around::kOutsider) {
            HWND progressText = GetDlgItem(dlg, IDC_PROGRESS_TEXT);
            EXPECT_TRUE(PumpUntil([&] { return !TextOf(progressText).empty(); }, 15000));
            HWND receiver = FindWindowExA(HWND_MESSAGE, nullptr, "WexburyProgressReceiver", nullptr);
            EXPECT_TRUE(receiver);
            DWORD_PTR answer = 0;
            SendMessageTimeoutA(receiver, WM_UPDATE_PROGRESS, 2, 16, SMTO_ABORTIFHUNG, 5000, &answer);
            PostMessageA(dlg, WM_UPDATE_STALLED, STALL_DOWNLOAD_FAILED, DL_NET_ERROR);
            EXPECT_FALSE(PumpUntil([&] { return TextOf(progressText) == failure; }, 1000));
        }
        ASSERT_TRUE(host.WaitForExit(30000));
        earlierCopy = ExpectCheckedCopyStarted(WaitForRecord(recordFile), servedPackage);
        EXPECT_EQ(std::vector<int>{200}, NginxAnswers(row.object));
        EXPECT_EQ(std::vector<int>(row.signatureRequests, 200), NginxAnswers(row.signature));
        SetEnvironmentVariableA("TMP", ordinaryTemp.c_str());
        SetEnvironmentVariableA("TEMP", ordinaryTemp.c_str());
        DeleteFileA((workDir + "\\package\\version.dll").c_str());
        RemoveDirectoryA(spaceTemp.c_str());
        TearDown();
        SetUp();
    }
}

// The digest the host may leave: none, that of the package as signed, another.
enum class HostDigest { kNone, kOfTheSignedPackage, kAnother };

struct RefusalCase {
    const char* what;
    const char* path;      // of the package on nginx (serve_flow_packages.sh)
    HostDigest hostDigest; // what the host leaves beside the package path
    UINT text;             // the progress line then
    int signatureStatus;   // nginx's answer to the request for "<path>.sig"
    const char* tlsPort = nullptr; // an https server refusing before any request: nginx answers nothing
};

const RefusalCase kRefusalCases[] = {
    {"one byte of the package flipped", "/refused/flipped.exe", HostDigest::kNone, IDS_SIGNATURE_WRONG, 200},
    {"signed by another key, the host's digest matching", "/refused/other_key.exe",
     HostDigest::kOfTheSignedPackage, IDS_SIGNATURE_WRONG, 200},
    {"no signature on the server", "/refused/unsigned.exe", HostDigest::kNone, IDS_SIGNATURE_MISSING, 404},
    {"an empty signature", "/refused/empty_sig.exe", HostDigest::kNone, IDS_SIGNATURE_WRONG, 200},
    {"a signature of 20 KiB", "/refused/long_sig.exe", HostDigest::kNone, IDS_SIGNATURE_WRONG, 200},
    {"signed, but another digest from the host", "/row/digest/wxbry5.exe", HostDigest::kAnother,
     IDS_PACKAGE_REJECTED, 200},
    {"https, a certificate for another name", "/row/wrongname/wxbry5.exe", HostDigest::kNone,
     IDS_CERT_WRONG_NAME, 0, "WXB_NGINX_TLS_WRONGNAME_PORT"},
    {"https, an expired certificate", "/row/expired/wxbry5.exe", HostDigest::kNone, IDS_CERT_EXPIRED, 0,
     "WXB_NGINX_TLS_EXPIRED_PORT"},
    {"https, a self-signed certificate", "/row/selfsigned/wxbry5.exe", HostDigest::kNone, IDS_CERT_UNTRUSTED,
     0, "WXB_NGINX_TLS_SELFSIGNED_PORT"},
};

TEST_F(UpdateFlowTest, PackageFailingItsChecksIsDeletedAndNeverRun) {
    for (const RefusalCase& row : kRefusalCases) {
        SCOPED_TRACE(row.what);
        const std::string path = row.path;
        if (row.tlsPort)
            Offer(path, "localhost", row.tlsPort);
        else
            Offer(path);
        CreateDirectoryA(workDir.c_str(), nullptr);
        CreateDirectoryA((workDir + "\\package").c_str(), nullptr);
        DeleteFileA((packagePath + ".sha256").c_str());
        if (row.hostDigest != HostDigest::kNone) {
            std::string digest = packageDigest;
            if (row.hostDigest == HostDigest::kAnother)
                digest[0] = digest[0] == '0' ? '1' : '0';
            WriteAll(packagePath + ".sha256", digest + "  wxbry5.exe\n");
        }
        HWND dlg = StartAndUpgrade();
        ASSERT_TRUE(dlg);
        HWND progressText = GetDlgItem(dlg, IDC_PROGRESS_TEXT);
        const std::string expected = LoadUpdateString(row.text);
        // The package and its signature are gone, so the second press
        // downloads both again.
        for (int press = 1; press <= 2; ++press) {
            if (press == 2) {
                SetWindowTextA(progressText, "");
                PostUpgradeCommand(dlg);
            }
            EXPECT_TRUE(PumpUntil([&] { return TextOf(progressText) == expected; }, 15000))
                << TextOf(progressText);
            ASSERT_TRUE(WaitForUpgradeOffered(dlg));
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(packagePath.c_str()));
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((packagePath + ".sig").c_str()));
        }
        const size_t answers = row.tlsPort ? 0 : 2;
        EXPECT_EQ(std::vector<int>(answers, 200), NginxAnswers(path));
        EXPECT_EQ(std::vector<int>(answers, row.signatureStatus), NginxAnswers(path + ".sig"));
        EXPECT_TRUE(IsWindow(dlg));
        PostMessageA(dlg, WM_CLOSE, 0, 0);
        ASSERT_TRUE(host.WaitForExit());
        EXPECT_TRUE(ReadAll(recordFile).empty()) << "nothing started";
    }
}

struct ProxyCase {
    const char* what;
    DWORD enable;
    const char* server; // "%p" stands for tinyproxy's port, "%c" for a port that refuses
    const char* bypass;
    const char* host; // of the package's address
    bool throughProxy;
    const char* port = "WXB_NGINX_PORT"; // nginx's TLS server for an https address
};

const ProxyCase kProxyCases[] = {
    {"a name only the proxy can reach", 1, "127.0.0.1:%p", "", "wexbury-update.invalid", true},
    {"a bypass entry with a wildcard", 1, "127.0.0.1:%p", "*.example.org;*.TEST", "wexbury-mirror.test",
     false},
    {"<local> for a name without a dot", 1, "127.0.0.1:%p", "<local>", "wexbury-mirror", false},
    {"a proxy that refuses: one direct attempt", 1, "127.0.0.1:%c", "", "wexbury-mirror.test", false},
    {"loopback always goes direct", 1, "127.0.0.1:%p", "", "127.0.0.1", false},
    {"the proxy switched off", 0, "127.0.0.1:%p", "", "wexbury-mirror.test", false},
    // A tunnel through the proxy. (This Wine's WinINet hands over no
    // "https=" entry of a list: that choice is tested without Wine.)
    {"https, signature too, through the proxy", 1, "127.0.0.1:%p", "", "wexbury-mirror.test", true,
     "WXB_NGINX_TLS_PORT"},
};

TEST_F(UpdateFlowTest, DownloadTakesTheUsersProxyWhereItApplies) {
    int row = 0;
    for (const ProxyCase& proxyCase : kProxyCases) {
        SCOPED_TRACE(proxyCase.what);
        std::string server = proxyCase.server;
        server.replace(server.find('%'), 2,
                       server.back() == 'p' ? Env("WXB_TINYPROXY_PORT") : std::to_string(ClosedPort()));
        UserProxy proxy(proxyCase.enable, server, proxyCase.bypass);
        // Else the package of the row before, verified, would start at once.
        DeleteFileA(packagePath.c_str());
        const std::string path = "/row/proxy-" + std::to_string(++row) + "/wxbry5.exe";
        Offer(path, proxyCase.host, proxyCase.port);
        DeleteFileA(recordFile.c_str());
        ASSERT_TRUE(StartAndUpgrade());
        ASSERT_TRUE(host.WaitForExit(30000));
        ExpectCheckedCopyStarted(WaitForRecord(recordFile), servedPackage);
        EXPECT_EQ(servedPackage, ReadAll(packagePath));
        // Straight from nginx, or through tinyproxy, which hands ".invalid"
        // on and tunnels https to nginx; the signature the same way.
        const bool tunnel = proxyCase.port != std::string("WXB_NGINX_PORT");
        for (const std::string& object : {path, path + ".sig"}) {
            EXPECT_EQ(proxyCase.throughProxy,
                      ProxyWasAskedFor(PackageUrl(object, proxyCase.host, proxyCase.port)))
                << object;
            EXPECT_EQ(proxyCase.throughProxy && !tunnel ? std::vector<int>{} : std::vector<int>{200},
                      NginxAnswers(object))
                << object;
        }
    }
}

} // namespace
