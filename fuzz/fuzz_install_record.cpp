// The install record's reader over arbitrary bytes: a refusal names a reason and a line that
// exists; an acceptance writes back to a record that reads the same, so the uninstaller never
// acts on an entry the installer could not have written.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/record/InstallRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const record::TRecordResult result = record::ParseInstallRecord(bytes);
    if (!result.Record) {
        const std::size_t lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
        if (result.Reason.empty() || result.Line > lines) std::abort();
        return 0;
    }
    const record::TRecordResult again = record::ParseInstallRecord(record::FormatInstallRecord(*result.Record));
    if (!again.Record || again.Record->Version != result.Record->Version ||
        again.Record->Entries.size() != result.Record->Entries.size())
        std::abort();
    for (std::size_t i = 0; i < again.Record->Entries.size(); ++i) {
        const record::TRecordEntry& a = again.Record->Entries[i];
        const record::TRecordEntry& b = result.Record->Entries[i];
        if (a.Kind != b.Kind || a.Path != b.Path || a.Root != b.Root || a.Name != b.Name || a.Key != b.Key)
            std::abort();
    }
    return 0;
}
