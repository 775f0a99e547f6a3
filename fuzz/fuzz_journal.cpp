// The journal's reader over arbitrary bytes, as a crash may leave them: what it reads is exactly
// the start of the bytes (writing the steps again gives those bytes back), and any shorter prefix
// reads as a prefix of those steps, so that a torn write can never make up a step.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/transaction/JournalFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const transaction::JournalReading reading = transaction::ReadJournal(bytes);
    if (reading.ValidBytes > size || reading.Torn != (reading.ValidBytes != size)) std::abort();
    std::string again;
    for (const transaction::JournalStep& step : reading.Steps) again += transaction::EncodeJournalRecord(step);
    if (again != bytes.substr(0, reading.ValidBytes)) std::abort();
    // A crash at a byte the input's first byte picks.
    const std::size_t cut = size ? data[0] * size / 256 : 0;
    const transaction::JournalReading prefix = transaction::ReadJournal(bytes.substr(0, cut));
    if (prefix.Steps.size() > reading.Steps.size()) std::abort();
    for (std::size_t i = 0; i < prefix.Steps.size(); ++i)
        if (!(prefix.Steps[i] == reading.Steps[i])) std::abort();
    if (cut >= reading.ValidBytes && prefix.Steps.size() != reading.Steps.size()) std::abort();
    return 0;
}
