// Reply-header reading over arbitrary server bytes: whole, and line by line as the engine feeds it.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/http/HttpErrors.h"
#include "net/http/HttpReplyText.h"

namespace {

// Whole, or the bound's error: both ways must end alike.
bool ReadWhole(std::string_view bytes, TReplyHeader& whole, std::size_t& offset) {
    try {
        whole = ReadReplyHeader(bytes, &offset);
        return true;
    } catch (const EHttpError&) {
        return false;
    }
}

bool FeedLines(std::string_view bytes, TReplyHeaderReader& reader) {
    try {
        std::string rest;
        for (const auto& line : SplitReplyLines(bytes, &rest))
            if (reader.TakeLine(line)) break;
        reader.TakeLine("");  // the server closes
        return true;
    } catch (const EHttpError&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::size_t offset = 0;
    TReplyHeader whole;
    TReplyHeaderReader reader;
    const bool wholeRead = ReadWhole(bytes, whole, offset);
    if (wholeRead != FeedLines(bytes, reader)) std::abort();
    if (!wholeRead) return 0;
    const TReplyHeader& fed = reader.Result();

    // Both ways agree, the header text is the reply's beginning, and every value is in range.
    if (fed.HeaderComplete != whole.HeaderComplete || fed.ReplyCode != whole.ReplyCode ||
        fed.BytesExpected != whole.BytesExpected || fed.RedirectLocation != whole.RedirectLocation ||
        fed.ReceivedCookie != whole.ReceivedCookie)
        std::abort();
    if (offset > size || bytes.substr(0, whole.HeaderText.size()) != whole.HeaderText) std::abort();
    if (whole.HeaderText.size() > kMaxReplyHeaderBytes) std::abort();
    if (whole.ReplyCode < 0 || whole.ReplyCode > 32767 || whole.BytesExpected < 0) std::abort();
    if (whole.RedirectLocation.size() > kMaxHeaderValue || whole.ReceivedCookie.size() > kMaxHeaderValue) std::abort();
    if (whole.RedirectLocation.find('\n') != std::string::npos) std::abort();
    return 0;
}
