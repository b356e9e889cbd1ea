// The shared block the suite host fills before it starts the updater, and
// its intake into the texts the updater works with. Windows-free: the host
// stand-in and the native tests use the same layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Byte layout of the named mapping "wxbry". Text fields are ANSI text that
// the host terminates inside the field; a field that fills its whole width is
// still read only within it.
struct UpdateBlock {
    uint32_t suiteWnd;        // host window that receives WM_SUITE_SHUTDOWN (32-bit handle)
    char downloadUrl[260];    // address of the package
    char hostReserved[260];   // the host's own text; copied, never used
    char packagePath[260];    // local path: download target and installer
    int32_t mandatory;        // nonzero: the update cannot be declined
    char releaseNotes[10240]; // shown read-only in the dialog
    char stampFile[260];      // ini file for the version stamp; empty: none
    char stampSection[260];
    char stampKey[260];
};

static_assert(offsetof(UpdateBlock, downloadUrl) == 4, "layout shared with the suite host");
static_assert(offsetof(UpdateBlock, hostReserved) == 264, "layout shared with the suite host");
static_assert(offsetof(UpdateBlock, packagePath) == 524, "layout shared with the suite host");
static_assert(offsetof(UpdateBlock, mandatory) == 784, "layout shared with the suite host");
static_assert(offsetof(UpdateBlock, releaseNotes) == 788, "layout shared with the suite host");
static_assert(offsetof(UpdateBlock, stampFile) == 11028, "layout shared with the suite host");
static_assert(offsetof(UpdateBlock, stampSection) == 11288, "layout shared with the suite host");
static_assert(offsetof(UpdateBlock, stampKey) == 11548, "layout shared with the suite host");
static_assert(sizeof(UpdateBlock) == 11808, "layout shared with the suite host");

// What the updater keeps of the block: copies, so that nothing reads the
// shared memory again after the intake. The package path and the download
// address are without leading and trailing white space.
struct UpdateOffer {
    uint32_t suiteWnd = 0;
    std::string downloadUrl;
    std::string hostReserved;
    std::string packagePath;
    int32_t mandatory = 0;
    std::string releaseNotes;
    std::string stampFile;
    std::string stampSection;
    std::string stampKey;
};

UpdateOffer ReadUpdateBlock(const UpdateBlock& block);

// The text of a fixed-width field: up to its first zero byte, or the whole
// width when it has none.
template <size_t Width> std::string FieldText(const char (&field)[Width]) {
    size_t length = 0;
    while (length < Width && field[length] != '\0')
        ++length;
    return std::string(field, length);
}
