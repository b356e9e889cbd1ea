// Judges arbitrary header text and follows whatever Location it names.
#include "download/http_parse.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string header(reinterpret_cast<const char*>(data), size);
    ResponseFacts facts;
    if (JudgeResponseHeader(header, facts) == VERDICT_REDIRECT) {
        std::string url;
        ResolveRedirect("http://host:81/a/b/c.zip?x=1", facts.location, url);
    }
    PartialAnswerFits(facts, 100);
    return 0;
}
