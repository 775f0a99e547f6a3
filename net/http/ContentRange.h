#pragma once
// The value of a "Content-Range" header line, as a 206 reply states which part of the file its
// body is: "bytes first-last/total", the unit in any letter case, the total "*" when the server
// does not know it. A resumed download appends a body to the part of the file it kept only
// when this says that the body starts exactly there.
#include <cstdint>
#include <optional>
#include <string_view>

struct TContentRange {
    std::int64_t First = 0;
    std::int64_t Last = 0;
    std::int64_t Total = -1;  // -1: "*"
};

// The range the value states; nothing for any other text: another unit, a missing or signed
// number, a number past 63 bits, a last byte before the first or not before the total,
// spaces or anything else around the numbers.
std::optional<TContentRange> ParseContentRange(std::string_view value);
