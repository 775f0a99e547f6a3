#include "net/http/HeaderList.h"

#include <algorithm>

#include "net/http/HttpErrors.h"

namespace {

// Upper-case form of one Windows-1252 byte: ASCII letters, the accented letters of
// 0xE0..0xFE (0xF7 is the division sign) and the three letters whose capitals sit at 0x8A..0x9F.
unsigned char FoldCp1252(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
    }
}

std::string_view NameOf(std::string_view line) {
    const auto colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view{} : line.substr(0, colon);
}

}  // namespace

int THeaderList::CompareText(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = FoldCp1252(static_cast<unsigned char>(a[i]));
        const int cb = FoldCp1252(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

void THeaderList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& THeaderList::Strings(int index) const {
    CheckIndex(index);
    return lines_[static_cast<size_t>(index)];
}

int THeaderList::Add(const std::string& line) {
    if (!sorted_) {
        lines_.push_back(line);
        return Count() - 1;
    }
    const auto at = std::upper_bound(lines_.begin(), lines_.end(), line,
                                     [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    return static_cast<int>(lines_.insert(at, line) - lines_.begin());
}

void THeaderList::Put(int index, const std::string& line) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index);
    lines_[static_cast<size_t>(index)] = line;
}

void THeaderList::Delete(int index) {
    CheckIndex(index);
    lines_.erase(lines_.begin() + index);
}

void THeaderList::SetSorted(bool sorted) {
    if (sorted && !sorted_) {
        std::stable_sort(lines_.begin(), lines_.end(),
                         [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    }
    sorted_ = sorted;
}

std::string THeaderList::Text() const {
    std::string text;
    for (const auto& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

int THeaderList::IndexOfField(std::string_view name) const {
    return sorted_ ? SearchSorted(name) : SearchUnsorted(name);
}

int THeaderList::SearchUnsorted(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string_view line = lines_[static_cast<size_t>(i)];
        if (line.find(':') == std::string_view::npos) continue;
        if (CompareText(NameOf(line), name) == 0) return i;
    }
    return -1;
}

// Halving search over the entries' names. The list is ordered by whole lines, so a name that
// is a prefix of another can be missed; the HTTP client's own list is never sorted.
int THeaderList::SearchSorted(std::string_view name) const {
    int low = 0;
    int high = Count() - 1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const int order = CompareText(NameOf(lines_[static_cast<size_t>(middle)]), name);
        if (order == 0) return middle;
        if (order < 0) low = middle + 1;
        else high = middle - 1;
    }
    return -1;
}

void THeaderList::SetField(const std::string& name, const std::string& value) {
    const int index = IndexOfField(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    const std::string line = name + ": " + value;
    if (index >= 0) Put(index, line);
    else Add(line);
}
