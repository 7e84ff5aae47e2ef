// Feeds arbitrary bytes as an answer's header lines, as libcurl hands them
// over, then reads its length and range as the video transfer does. The
// first 16 bytes are the partial file's size and the stored length.

#include "fuzzcheck.h"

#include "engine/sitetext.h"
#include "platform/decimal.h"
#include "platform/httpresponseheaders.h"

#include <QString>
#include <cstring>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int64_t from = 0;
    int64_t length = 0;
    if (size >= 16) {
        std::memcpy(&from, data, 8);
        std::memcpy(&length, data + 8, 8);
        data += 16;
        size -= 16;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (bool follow : {false, true}) {
        CHttpResponseHeaders headers(follow);
        size_t begin = 0;
        while (begin < text.size()) {
            const size_t end = text.find('\n', begin);
            const size_t next = end == std::string_view::npos ? text.size() : end + 1;
            headers.Feed(text.substr(begin, next - begin));
            begin = next;
        }
        Check(headers.Status() <= 999);

        std::string value;
        const bool hasLength = headers.Find("Content-Length", value);
        const QString lengthText = QString::fromUtf8(value.c_str());
        if (hasLength)
            (void)ParseDecimal64(lengthText);
        value.clear();
        headers.Find("content-range", value);
        const QString range = QString::fromUtf8(value.c_str());
        if (ContinuesAt(headers.Status(), range, hasLength ? &lengthText : nullptr, from, length))
            Check(headers.Status() == 206 && length >= 1 && from >= 0);
        // The range a server answers for the rest of a file it announced.
        if (from >= 0 && from < length)
            Check(ContinuesAt(206, QStringLiteral("bytes %1-%2/%3").arg(from).arg(length - 1).arg(length), nullptr,
                              from, length) == (length <= 999999999999999999));
    }
    return 0;
}
