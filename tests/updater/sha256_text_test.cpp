#include "updater/sha256_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// SHA-256 of "abc".
const std::string kLower = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const Sha256Digest kAbc = {0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40,
                           0xde, 0x5d, 0xae, 0x22, 0x23, 0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17,
                           0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad};

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST(Sha256TextTest, AcceptsWhatSha256sumWrites) {
    for (const std::string& text :
         {kLower, kLower + "\n", kLower + "\r\n", kLower + "  wxbry5.exe\n", kLower + " *wxbry5.exe\n",
          kLower + "\tname with blanks.exe\r\n", kLower + "  wxbry5.exe", Upper(kLower) + "  WXBRY5.EXE\n"}) {
        Sha256Digest digest{};
        EXPECT_TRUE(ParseSha256Text(text, digest)) << text;
        EXPECT_EQ(kAbc, digest) << text;
    }
}

TEST(Sha256TextTest, RejectsEverythingElse) {
    for (const std::string& text :
         {std::string(), kLower.substr(0, 63), kLower.substr(0, 63) + "g", kLower + "0", kLower + "  \n",
          kLower + "  ", kLower + "\n\n", kLower + "  a.exe\nsecond line\n", kLower + "\r", " " + kLower,
          kLower + "  a.exe\n" + kLower + "  b.exe\n", std::string("sha256:") + kLower}) {
        Sha256Digest digest{};
        digest.fill(0x77);
        EXPECT_FALSE(ParseSha256Text(text, digest)) << text;
        EXPECT_EQ(0x77, digest[0]) << "a rejected text leaves the digest alone: " << text;
    }
}

} // namespace
