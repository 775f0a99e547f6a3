#include "net/http/StreamEncoder.h"

#include "net/http/Base64Text.h"

#include <cstring>
#include <exception>
#include <istream>
#include <sstream>
#include <stdexcept>

namespace {

constexpr std::size_t kBytesPerLine = 45;

// Runs `step`, keeping its failure unless an earlier one is already kept.
template <typename Step>
void KeepFirstFailure(std::exception_ptr& failure, Step step) {
    try {
        step();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
}

}  // namespace

void TStreamEncoder::Encode() {
    if (!InputStream || !OutputStream) throw std::invalid_argument("Stream encoder has no stream");
    InputStream->clear();
    InputStream->seekg(0);
    if (OnBeginEncode) OnBeginEncode(*this);
    std::memcpy(alphabet_, Method == uuCode ? base64text::kUuAlphabet : base64text::kMimeAlphabet, 64);
    // The end step runs whatever happened; the first failure, of the encoding, the rewind or
    // the handler, reaches the caller once it is over.
    std::exception_ptr failure;
    KeepFirstFailure(failure, [this] { EncodeLines(); });
    KeepFirstFailure(failure, [this] {
        OutputStream->clear();
        OutputStream->seekg(0);
        OutputStream->seekp(0);
    });
    KeepFirstFailure(failure, [this] {
        if (OnEndEncode) OnEndEncode(*this);
    });
    if (failure) std::rethrow_exception(failure);
}

void TStreamEncoder::EncodeLines() {
    unsigned char block[kBytesPerLine];
    std::string line;
    for (;;) {
        InputStream->read(reinterpret_cast<char*>(block), kBytesPerLine);
        const auto n = static_cast<std::size_t>(InputStream->gcount());
        if (n == 0) break;
        EncodeLine(block, n, line);
        OutputStream->write(line.data(), static_cast<std::streamsize>(line.size()));
        if (n < kBytesPerLine) break;
    }
    if (Method == uuCode) OutputStream->write("`\r\n", 3);
}

void TStreamEncoder::EncodeLine(const unsigned char* bytes, std::size_t n, std::string& line) const {
    const bool mime = Method != uuCode;
    line.clear();
    if (!mime) line += alphabet_[n & 63];
    base64text::AppendGroups(bytes, n, alphabet_, mime, line);
    line += "\r\n";
}

std::string TStreamEncoder::EncodeString(const std::string& bytes, UUMethods method) {
    std::istringstream input(bytes);
    std::stringstream output;
    TStreamEncoder encoder;
    encoder.InputStream = &input;
    encoder.OutputStream = &output;
    encoder.Method = method;
    encoder.Encode();
    return output.str();
}

// Lines of 45 bytes are whole 3-byte groups, so the joined lines are the text's Base64 in one go.
std::string TStreamEncoder::Base64(const std::string& text) { return base64text::Encode(text); }
