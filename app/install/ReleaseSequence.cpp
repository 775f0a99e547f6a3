#include "app/install/ReleaseSequence.h"

#include <windows.h>

#include "app/install/InstallSupport.h"
#include "app/install/Registry.h"
#include "app/log/InstallLog.h"
#include "encoding/TextEncoding.h"

namespace install {

std::uint64_t RecordedReleaseSequence() {
    std::uint64_t sequence = 0;
    DWORD size = sizeof sequence;
    const LONG status =
        RegGetValueW(HKEY_LOCAL_MACHINE, encoding::WidenPath(kReleaseKey).c_str(),
                     encoding::WidenPath(kReleaseSequenceValue).c_str(), RRF_RT_REG_QWORD, nullptr, &sequence, &size);
    if (status == ERROR_SUCCESS) return sequence;
    if (status != ERROR_FILE_NOT_FOUND)
        LogLine(std::string("HKLM\\") + kReleaseKey + " " + kReleaseSequenceValue +
                " cannot be read as a sequence, so none counts: " + SystemErrorText(DWORD(status)));
    return 0;
}

void RecordReleaseSequence(std::uint64_t sequence) {
    RegistryKey::Create(HKEY_LOCAL_MACHINE, kReleaseKey).WriteQword(kReleaseSequenceValue, sequence);
}

}  // namespace install
