// The header list under arbitrary sequences of operations, checked against a plain linear search.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/http/HeaderList.h"
#include "net/http/HttpErrors.h"

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    bool Empty() const { return at >= size; }
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::string Text() {
        const std::size_t n = Byte() % 12;
        std::string s;
        for (std::size_t i = 0; i < n && !Empty(); ++i) s += static_cast<char>(Byte());
        return s;
    }
};

int LinearIndex(const THeaderList& list, const std::string& name) {
    for (int i = 0; i < list.Count(); ++i) {
        const auto colon = list[i].find(':');
        if (colon != std::string::npos && THeaderList::CompareText(list[i].substr(0, colon), name) == 0) return i;
    }
    return -1;
}

void Check(const THeaderList& list, const std::string& name) {
    const int index = list.IndexOfField(name);
    if (!list.Sorted()) {
        if (index != LinearIndex(list, name)) std::abort();
        return;
    }
    for (int i = 1; i < list.Count(); ++i)
        if (THeaderList::CompareText(list[i - 1], list[i]) > 0) std::abort();
    // A halving search may miss (the order is by whole lines), but what it finds must match.
    if (index >= 0) {
        const auto colon = list[index].find(':');
        const std::string found = colon == std::string::npos ? "" : list[index].substr(0, colon);
        if (THeaderList::CompareText(found, name) != 0) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    THeaderList list;
    while (!in.Empty() && list.Count() < 64) {
        const std::uint8_t op = in.Byte() % 6;
        const std::string a = in.Text();
        try {
            switch (op) {
            case 0: list.Add(a); break;
            case 1: list.SetField(a, in.Text()); break;
            case 2: list.SetField(a, ""); break;
            case 3: list.SetSorted(!list.Sorted()); break;
            case 4:
                if (list.Count() > 0) list.Delete(in.Byte() % list.Count());
                break;
            default: break;
            }
        } catch (const EStringListError&) {
            if (!list.Sorted()) std::abort();  // only a sorted list refuses a replacement
        }
        Check(list, a);
    }
    return 0;
}
