// Decoding a SAMO answer by the charset its Content-Type names, over any
// header value and body: the result is always valid UTF-8 or an error, and
// text the charset reads as ASCII (or valid UTF-8, for UTF-8) comes out as it
// went in, a leading byte-order mark aside.
#include "FuzzCheck.h"
#include "app/AppError.h"
#include "samo/Charsets.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string contentType = input.ConsumeRandomLengthString(128);
    const std::string body = input.ConsumeRemainingBytesAsString();
    const std::string charset = charsets::charsetOfContentType(contentType);
    std::string decoded;
    try {
        decoded = charsets::decodeToUtf8(body, charset);
    } catch (const AppError&) {
        return 0;
    }
    FUZZ_CHECK(charsets::isValidUtf8(decoded));
    const bool bom = body.rfind("\xEF\xBB\xBF", 0) == 0;
    bool ascii = true;
    for (const char c : body)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        FUZZ_CHECK(decoded == body);
    if (charsets::isValidUtf8(body) && (charset.empty() || charset == "utf-8" || charset == "UTF-8"))
        FUZZ_CHECK(decoded == (bom ? body.substr(3) : body));
    return 0;
}
