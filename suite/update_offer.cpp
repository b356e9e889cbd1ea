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

bool SuiteUpdateOffer::Start(HWND hostWnd, const std::string& programFolder, const std::string& downloadUrl,
                             const std::string& packagePath, bool mandatory,
                             const std::string& releaseNotes) {
    m_mapping.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(UpdateBlock),
                                       kUpdateBlockName));
    if (!m_mapping)
        return false;
    m_view.reset(MapViewOfFile(m_mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!m_view)
        return false;
    UpdateBlock* block = static_cast<UpdateBlock*>(m_view.get());
    std::memset(block, 0, sizeof *block);
    block->suiteWnd = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(hostWnd));
    PutText(block->downloadUrl, downloadUrl);
    PutText(block->hostReserved, "Wexbury stand-in host");
    PutText(block->packagePath, packagePath);
    block->mandatory = mandatory ? 1 : 0;
    PutText(block->releaseNotes, releaseNotes);
    // The updater records its version where the host keeps its own settings.
    PutText(block->stampFile, programFolder + "Wexbury.ini");
    PutText(block->stampSection, "update");
    PutText(block->stampKey, "version");

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
