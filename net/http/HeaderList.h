#pragma once
// The list of outgoing request lines ("Name: value", one line per entry) with lookup and
// replacement of a line by its header name. The HTTP client builds its request in one of these.
#include <string>
#include <string_view>
#include <vector>

class THeaderList {
public:
    int Count() const { return static_cast<int>(lines_.size()); }
    // Raise EStringListError for an index outside 0..Count()-1.
    const std::string& Strings(int index) const;
    const std::string& operator[](int index) const { return Strings(index); }

    // Appends; on a sorted list the line goes to its sorted place. Returns its index.
    int Add(const std::string& line);
    // Replaces the entry at index. A sorted list refuses it (EStringListError): the new line
    // could break the order that the halving search relies on.
    void Put(int index, const std::string& line);
    void Delete(int index);
    void Clear() { lines_.clear(); }

    bool Sorted() const { return sorted_; }
    // Switching sorting on sorts the entries at once; switching it off keeps their order.
    void SetSorted(bool sorted);

    // Every entry followed by CR LF: the bytes the HTTP client writes before the blank line.
    std::string Text() const;

    // Index of the first entry whose name (the text before its first ":") equals name, letter
    // case aside; -1 when none. No trimming: "Host :" does not match "Host".
    int IndexOfField(std::string_view name) const;
    // value not empty: replaces the entry found (or appends) with name + ": " + value, in the
    // caller's letter case. value empty: deletes the entry found, if any.
    void SetField(const std::string& name, const std::string& value);

    // Case-insensitive comparison for Windows-1252 text (accented letters fold too); <0, 0, >0.
    static int CompareText(std::string_view a, std::string_view b);

private:
    int SearchUnsorted(std::string_view name) const;
    int SearchSorted(std::string_view name) const;
    void CheckIndex(int index) const;

    std::vector<std::string> lines_;
    bool sorted_ = false;
};
