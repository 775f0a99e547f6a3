// Content-Range values over arbitrary bytes: what parses is a range a resumed download can
// trust, reads the same when written again, is read alike inside a reply header, and continues
// a file only from its own first byte up to the end of a known total.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/http/ContentRange.h"
#include "net/http/HttpReplyText.h"

namespace {

bool Same(const TContentRange& a, const TContentRange& b) {
    return a.First == b.First && a.Last == b.Last && a.Total == b.Total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    const auto range = ParseContentRange(value);
    if (!range) return 0;
    if (range->First < 0 || range->Last < range->First || range->Total < -1) std::abort();
    if (range->Total >= 0 && range->Last >= range->Total) std::abort();

    const std::string written = "bytes " + std::to_string(range->First) + "-" + std::to_string(range->Last) + "/" +
                                (range->Total < 0 ? std::string("*") : std::to_string(range->Total));
    const auto again = ParseContentRange(written);
    if (!again || !Same(*again, *range)) std::abort();

    // Inside a reply: a value holding a line end would be other lines, not this value.
    if (value.find_first_of("\r\n") != std::string_view::npos) return 0;
    const TReplyHeader reply =
        ReadReplyHeader("HTTP/1.0 206 Partial Content\r\nContent-Range: " + std::string(value) + "\r\n\r\n");
    if (!Same({reply.RangeFirst, reply.RangeLast, reply.RangeTotal}, *range)) std::abort();
    const bool toTheEnd = range->Total >= 0 && range->Last == range->Total - 1;
    if (ContinuesAt(reply, range->First) != (toTheEnd && range->First > 0)) std::abort();
    if (ContinuesAt(reply, range->First + 1)) std::abort();
    if (range->First > 0 && ContinuesAt(reply, range->First - 1)) std::abort();
    return 0;
}
