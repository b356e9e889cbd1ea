// Judges arbitrary header text and follows whatever Location it names; a
// followed redirect must make a clean request line and Referer line.
#include "download/http_parse.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string header(reinterpret_cast<const char*>(data), size);
    ResponseFacts facts;
    std::string url;
    if (JudgeResponseHeader(header, facts) == VERDICT_REDIRECT &&
        ResolveRedirect("http://host:81/a/b/c.zip?x=1", facts.location, url)) {
        for (char c : url) {
            if (static_cast<unsigned char>(c) <= ' ' || c == '#')
                __builtin_trap();
        }
    }
    PartialAnswerFits(facts, 100);
    return 0;
}
