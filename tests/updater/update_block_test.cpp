#include "updater/update_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

template <size_t Width> void Put(char (&field)[Width], const char* text) {
    std::strncpy(field, text, Width);
}

// A block as the suite host writes it: every byte set, so a field read at a
// wrong offset shows up as the wrong text.
std::unique_ptr<UpdateBlock> FilledBlock() {
    auto block = std::make_unique<UpdateBlock>();
    std::memset(block.get(), 'x', sizeof *block);
    block->suiteWnd = 0x00010A2C;
    Put(block->downloadUrl, "http://127.0.0.1:18480/wxb/soft/wxbry5.exe");
    Put(block->hostReserved, "host-only");
    Put(block->packagePath, "C:\\Wexbury\\update\\wxbry5.exe");
    block->mandatory = 1;
    Put(block->releaseNotes, "1. faster start\r\n2. new skin");
    Put(block->stampFile, "C:\\Wexbury\\ver.ini");
    Put(block->stampSection, "u");
    Put(block->stampKey, "v");
    return block;
}

TEST(UpdateBlockTest, EveryFieldIsReadFromItsOffset) {
    auto block = FilledBlock();
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.get());
    // The host side may write the block by raw offsets; check them too.
    EXPECT_EQ(0, std::strcmp(reinterpret_cast<const char*>(bytes + 4),
                             "http://127.0.0.1:18480/wxb/soft/wxbry5.exe"));
    EXPECT_EQ(0, std::strcmp(reinterpret_cast<const char*>(bytes + 11548), "v"));

    const UpdateOffer offer = ReadUpdateBlock(*block);
    EXPECT_EQ(0x00010A2Cu, offer.suiteWnd);
    EXPECT_EQ("http://127.0.0.1:18480/wxb/soft/wxbry5.exe", offer.downloadUrl);
    EXPECT_EQ("host-only", offer.hostReserved);
    EXPECT_EQ("C:\\Wexbury\\update\\wxbry5.exe", offer.packagePath);
    EXPECT_EQ(1, offer.mandatory);
    EXPECT_EQ("1. faster start\r\n2. new skin", offer.releaseNotes);
    EXPECT_EQ("C:\\Wexbury\\ver.ini", offer.stampFile);
    EXPECT_EQ("u", offer.stampSection);
    EXPECT_EQ("v", offer.stampKey);
}

TEST(UpdateBlockTest, FieldsWithoutTerminatingZeroStopAtTheirWidth) {
    // Every byte nonzero: no field is terminated inside its width. Under the
    // sanitizers a read past the block would also be caught.
    auto block = std::make_unique<UpdateBlock>();
    std::memset(block.get(), 'a', sizeof *block);
    std::memset(block->hostReserved, 'b', sizeof block->hostReserved);
    std::memset(block->stampKey, 'k', sizeof block->stampKey);

    const UpdateOffer offer = ReadUpdateBlock(*block);
    EXPECT_EQ(std::string(260, 'a'), offer.downloadUrl);
    EXPECT_EQ(std::string(260, 'b'), offer.hostReserved);
    EXPECT_EQ(std::string(260, 'a'), offer.packagePath);
    EXPECT_EQ(std::string(10240, 'a'), offer.releaseNotes);
    EXPECT_EQ(std::string(260, 'k'), offer.stampKey);
}

TEST(UpdateBlockTest, LongestTerminatedNotesAreKeptWhole) {
    auto block = FilledBlock();
    std::memset(block->releaseNotes, 'n', sizeof block->releaseNotes - 1);
    block->releaseNotes[sizeof block->releaseNotes - 1] = '\0';
    EXPECT_EQ(10239u, ReadUpdateBlock(*block).releaseNotes.size());
}

TEST(UpdateBlockTest, PackagePathLosesSurroundingWhiteSpace) {
    auto block = FilledBlock();
    Put(block->packagePath, " \tC:\\Wexbury\\update\\wxbry5.exe \r\n");
    EXPECT_EQ("C:\\Wexbury\\update\\wxbry5.exe", ReadUpdateBlock(*block).packagePath);
}

TEST(UpdateBlockTest, EmptyFieldsGiveEmptyTexts) {
    UpdateBlock block{};
    const UpdateOffer offer = ReadUpdateBlock(block);
    EXPECT_TRUE(offer.stampFile.empty());
    EXPECT_TRUE(offer.downloadUrl.empty());
    EXPECT_EQ(0, offer.mandatory);
}

} // namespace
