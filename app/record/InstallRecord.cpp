#include "app/record/InstallRecord.h"

#include <array>
#include <stdexcept>

namespace record {
namespace {

constexpr std::string_view kHeader = "quorvane-install-record 1";

struct KindName {
    EntryKind kind;
    std::string_view name;
    std::size_t fields;  // after the kind
};
constexpr std::array<KindName, 6> kKinds{{{EntryKind::Folder, "folder", 1},
                                          {EntryKind::File, "file", 1},
                                          {EntryKind::Shortcut, "shortcut", 1},
                                          {EntryKind::RegistryKey, "registry-key", 2},
                                          {EntryKind::RegistryValue, "registry-value", 3},
                                          {EntryKind::Setting, "setting", 3}}};

bool HasControl(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

// Strict UTF-8: no overlong form, no surrogate, nothing above U+10FFFF.
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80                    ? 1
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        const auto second = static_cast<unsigned char>(length > 1 ? text[i + 1] : 0);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
            (lead == 0xF4 && second > 0x8F))
            return false;
        i += length;
    }
    return true;
}

// Components separated by backslashes, none empty, "." or "..", none holding a character that
// Windows refuses in a name; so that a path names one place, the one it reads as.
bool AreComponents(std::string_view rest) {
    if (rest.empty()) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(rest.find('\\', start), rest.size());
        const std::string_view part = rest.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.find_first_of("/:*?\"<>|") != std::string_view::npos)
            return false;
        if (end == rest.size()) return true;
        start = end + 1;
    }
}

// "X:\..." or "\\server\share\...".
bool IsAbsolutePath(std::string_view path) {
    if (path.size() > 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' && path[2] == '\\')
        return AreComponents(path.substr(3));
    if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') return AreComponents(path.substr(2));
    return false;
}

// Registry key names may hold any printable character but the backslash that separates them.
bool IsKeyPath(std::string_view path) {
    return !path.empty() && path.front() != '\\' && path.back() != '\\' && path.find("\\\\") == std::string_view::npos;
}

// Why the entry cannot stand in a record, or empty.
std::string Refusal(const TRecordEntry& entry) {
    for (const std::string* field : {&entry.Path, &entry.Root, &entry.Name, &entry.Key})
        if (HasControl(*field) || !IsUtf8(*field)) return "a control character or invalid UTF-8 in a field";
    switch (entry.Kind) {
    case EntryKind::Folder:
    case EntryKind::File:
    case EntryKind::Shortcut: return IsAbsolutePath(entry.Path) ? "" : "not an absolute path: " + entry.Path;
    case EntryKind::RegistryKey:
    case EntryKind::RegistryValue:
        if (entry.Root != "HKLM" && entry.Root != "HKCU") return "an unknown registry root: " + entry.Root;
        return IsKeyPath(entry.Path) ? "" : "not a registry key path: " + entry.Path;
    case EntryKind::Setting:
        if (!IsAbsolutePath(entry.Path)) return "not an absolute path: " + entry.Path;
        return entry.Name.empty() || entry.Key.empty() ? "a setting without a section or a key" : "";
    }
    return "an unknown kind of entry";
}

std::string_view NameOf(EntryKind kind) {
    for (const KindName& known : kKinds)
        if (known.kind == kind) return known.name;
    return {};
}

}  // namespace

std::string FormatInstallRecord(const TInstallRecord& record) {
    if (record.Version.empty() || HasControl(record.Version) || !IsUtf8(record.Version))
        throw std::invalid_argument("Install record: the version cannot be written");
    std::string text = std::string(kHeader) + "\nversion " + record.Version + "\n";
    for (const TRecordEntry& entry : record.Entries) {
        if (const std::string why = Refusal(entry); !why.empty()) throw std::invalid_argument("Install record: " + why);
        text += NameOf(entry.Kind);
        const bool registry = entry.Kind == EntryKind::RegistryKey || entry.Kind == EntryKind::RegistryValue;
        if (registry) text += "\t" + entry.Root;
        text += "\t" + entry.Path;
        if (entry.Kind == EntryKind::RegistryValue || entry.Kind == EntryKind::Setting) text += "\t" + entry.Name;
        if (entry.Kind == EntryKind::Setting) text += "\t" + entry.Key;
        text += "\n";
    }
    return text;
}

TRecordResult ParseInstallRecord(std::string_view bytes) {
    TRecordResult result;
    const auto refuse = [&result](std::size_t line, std::string reason) {
        result.Line = line;
        result.Reason = std::move(reason);
        return result;
    };
    if (bytes.size() > kMaxRecordBytes) return refuse(0, "larger than 1 MiB");
    if (!bytes.empty() && bytes.back() != '\n') return refuse(0, "the last line has no line end");
    TInstallRecord record;
    std::size_t number = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = bytes.find('\n', start);
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (number == 1) {
            if (line != kHeader) return refuse(1, "not an install record of format 1");
            continue;
        }
        if (!IsUtf8(line)) return refuse(number, "invalid UTF-8");
        if (number == 2) {
            if (line.substr(0, 8) != "version " || line.size() == 8 || HasControl(line))
                return refuse(2, "no version line");
            record.Version = line.substr(8);
            continue;
        }
        std::vector<std::string_view> fields;
        for (std::size_t from = 0;;) {
            const std::size_t tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab - from));
            if (tab == std::string_view::npos) break;
            from = tab + 1;
        }
        const KindName* kind = nullptr;
        for (const KindName& known : kKinds)
            if (known.name == fields[0]) kind = &known;
        if (!kind) return refuse(number, "an unknown kind of entry");
        if (fields.size() != kind->fields + 1) return refuse(number, "wrong number of fields");
        TRecordEntry entry;
        entry.Kind = kind->kind;
        const bool registry = entry.Kind == EntryKind::RegistryKey || entry.Kind == EntryKind::RegistryValue;
        std::size_t next = 1;
        if (registry) entry.Root = fields[next++];
        entry.Path = fields[next++];
        if (next < fields.size()) entry.Name = fields[next++];
        if (next < fields.size()) entry.Key = fields[next++];
        if (const std::string why = Refusal(entry); !why.empty()) return refuse(number, why);
        record.Entries.push_back(std::move(entry));
    }
    if (number < 2) return refuse(0, number == 0 ? "empty" : "no version line");
    result.Record = std::move(record);
    return result;
}

bool IsInsideFolder(std::string_view path, std::string_view folder) {
    while (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
    if (folder.empty() || path.size() <= folder.size() + 1 || path[folder.size()] != '\\') return false;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(path[i]) != lower(folder[i])) return false;
    }
    return IsAbsolutePath(path);
}

}  // namespace record
