#include "updater/sha256_text.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsLineEnd(std::string_view rest) {
    return rest.empty() || rest == "\n" || rest == "\r\n";
}

} // namespace

bool ParseSha256Text(std::string_view text, Sha256Digest& digest) {
    constexpr size_t kHexDigits = 2 * std::tuple_size<Sha256Digest>::value;
    if (text.size() < kHexDigits)
        return false;
    Sha256Digest parsed{};
    for (size_t i = 0; i < kHexDigits; i += 2) {
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        parsed[i / 2] = static_cast<uint8_t>(high << 4 | low);
    }

    std::string_view rest = text.substr(kHexDigits);
    if (!rest.empty() && IsBlank(rest.front())) {
        // sha256sum's blanks and the file name, which runs to the line end.
        while (!rest.empty() && IsBlank(rest.front()))
            rest.remove_prefix(1);
        const size_t nameEnd = rest.find_first_of("\r\n");
        const std::string_view name = rest.substr(0, nameEnd);
        if (name.empty())
            return false;
        rest.remove_prefix(name.size());
    }
    if (!IsLineEnd(rest))
        return false;
    digest = parsed;
    return true;
}
