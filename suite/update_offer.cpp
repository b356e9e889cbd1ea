#include "suite/update_offer.h"

#include "updater/update_messages.h"

#include <cstring>

namespace {

template <size_t Width> void PutText(char (&field)[Width], const std::string& text) {
    // Always terminated inside the field, as the updater expects.
    const size_t length = text.size() < Width ? text.size() : Width - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace

SuiteUpdateOffer::~SuiteUpdateOffer() {
    if (m_pBlock)
        UnmapViewOfFile(m_pBlock);
}

bool SuiteUpdateOffer::Start(HWND hostWnd, const std::string& programFolder, const std::string& downloadUrl,
                             const std::string& packagePath, bool mandatory,
                             const std::string& releaseNotes) {
    m_mapping.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(UpdateBlock),
                                       kUpdateBlockName));
    if (!m_mapping)
        return false;
    m_pBlock = static_cast<UpdateBlock*>(MapViewOfFile(m_mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!m_pBlock)
        return false;
    std::memset(m_pBlock, 0, sizeof *m_pBlock);
    m_pBlock->suiteWnd = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(hostWnd));
    PutText(m_pBlock->downloadUrl, downloadUrl);
    PutText(m_pBlock->hostReserved, "Wexbury stand-in host");
    PutText(m_pBlock->packagePath, packagePath);
    m_pBlock->mandatory = mandatory ? 1 : 0;
    PutText(m_pBlock->releaseNotes, releaseNotes);
    // The updater records its version where the host keeps its own settings.
    PutText(m_pBlock->stampFile, programFolder + "Wexbury.ini");
    PutText(m_pBlock->stampSection, "update");
    PutText(m_pBlock->stampKey, "version");

    m_exitEvent.reset(CreateEventA(nullptr, TRUE, FALSE, kSuiteExitEventName));
    std::string exe = programFolder + "Update.exe";
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    m_updater.reset(process.hProcess);
    return true;
}
