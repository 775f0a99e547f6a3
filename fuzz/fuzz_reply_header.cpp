// Reply-header reading over arbitrary server bytes: whole, and line by line as the engine feeds it.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/http/HttpReplyText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::size_t offset = 0;
    const TReplyHeader whole = ReadReplyHeader(bytes, &offset);

    TReplyHeaderReader reader;
    std::string rest;
    for (const auto& line : SplitReplyLines(bytes, &rest))
        if (reader.TakeLine(line)) break;
    reader.TakeLine("");  // the server closes
    const TReplyHeader& fed = reader.Result();

    // Both ways agree, the header text is the reply's beginning, and every value is in range.
    if (fed.HeaderText != whole.HeaderText || fed.ReplyCode != whole.ReplyCode ||
        fed.BytesExpected != whole.BytesExpected || fed.RedirectLocation != whole.RedirectLocation ||
        fed.ReceivedCookie != whole.ReceivedCookie)
        std::abort();
    if (offset > size || bytes.substr(0, whole.HeaderText.size()) != whole.HeaderText) std::abort();
    if (whole.ReplyCode < 0 || whole.ReplyCode > 32767 || whole.BytesExpected < 0) std::abort();
    if (whole.RedirectLocation.size() > kMaxHeaderValue || whole.ReceivedCookie.size() > kMaxHeaderValue)
        std::abort();
    if (whole.RedirectLocation.find('\n') != std::string::npos) std::abort();
    return 0;
}
