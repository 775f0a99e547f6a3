// Both alphabets of the stream encoder over arbitrary bytes: the lines have the format's layout
// and decode back to the input.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/http/StreamEncoder.h"
#include "tests/net/http/CodecOracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const UUMethods method : {uuMime, uuCode}) {
        const auto decoded = codec_oracle::Decode(TStreamEncoder::EncodeString(bytes, method), method == uuCode);
        if (!decoded || *decoded != bytes) std::abort();
    }
    if (TStreamEncoder::Base64(bytes).find('\n') != std::string::npos) std::abort();
    return 0;
}
