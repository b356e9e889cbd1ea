// What calendar tests share: the stand-in suite server of suite_server.py,
// steered through the files of its folder (WXB_SUITE_ROOT), and the
// calendar's folder in the user's application data.
#pragma once

#include "tests/harness/temp_folder.h"
#include "tests/harness/wait_until.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

// Sets how the server answers from now on: file name ("page", "picture",
// "mode") of its folder gets bytes.
inline void SetServerFile(const char* name, const std::string& bytes) {
    const char* root = std::getenv("WXB_SUITE_ROOT");
    std::ofstream(std::string("Z:") + (root ? root : "") + "/" + name, std::ios::binary) << bytes;
}

// The requests the server finished so far, "<path> <mode>" each, in order.
inline std::vector<std::string> ServedRequests() {
    const char* root = std::getenv("WXB_SUITE_ROOT");
    std::ifstream log(std::string("Z:") + (root ? root : "") + "/requests");
    std::vector<std::string> requests;
    for (std::string line; std::getline(log, line);)
        requests.push_back(line);
    return requests;
}

// How the calendar page was answered so far ("serve", "503"), in order.
inline std::vector<std::string> PageAnswers() {
    const std::string page = "/ToolsInterface/tessaly/tessalyinterface.html ";
    std::vector<std::string> answers;
    for (const std::string& request : ServedRequests())
        if (request.rfind(page, 0) == 0)
            answers.push_back(request.substr(page.size()));
    return answers;
}

// Waits until the page was answered count times in all.
inline bool PageAnsweredTimes(
    size_t count, DWORD timeoutMs, const std::function<void()>& pause = [] { Sleep(20); }) {
    return harness::WaitUntil([&] { return PageAnswers().size() == count; }, timeoutMs, pause);
}

// The calendar's folder in the user's application data, removed with what
// it holds when the object is made and when it goes: what one test lets the
// calendar keep there reaches no other.
class CalendarUserFolder {
public:
    CalendarUserFolder() {
        char appData[MAX_PATH] = "";
        SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
        m_strPath = std::string(appData) + "\\Wexbury\\Tessaly\\";
        harness::RemoveTree(m_strPath);
    }
    ~CalendarUserFolder() { harness::RemoveTree(m_strPath); }
    std::string Path(const std::string& name) const { return m_strPath + name; }

private:
    std::string m_strPath;
};
