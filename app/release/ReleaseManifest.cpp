#include "app/release/ReleaseManifest.h"

#include <algorithm>
#include <set>

#include "app/install/ProductFiles.h"

namespace release {

namespace {

constexpr std::string_view kFirstLine = "quorvane-release 1";

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// Splits a line at each space; false when a field is empty (two spaces, or one at either end).
bool SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    for (std::size_t start = 0;;) {
        const std::size_t space = line.find(' ', start);
        fields.push_back(line.substr(start, space - start));
        if (fields.back().empty()) return false;
        if (space == std::string_view::npos) return true;
        start = space + 1;
    }
}

class ManifestReader {
public:
    explicit ManifestReader(std::string_view product) : product_(product) {}

    TManifestResult Read(std::string_view bytes) {
        if (bytes.size() > kMaxManifestBytes) return Refuse("larger than 64 KiB", 0);
        if (bytes.starts_with("\xEF\xBB\xBF")) return Refuse("starts with a byte order mark", 1);
        std::size_t number = 0;
        std::vector<std::string_view> fields;
        while (!bytes.empty()) {
            ++number;
            const std::size_t end = bytes.find('\n');
            if (end == std::string_view::npos) return Refuse("the last line has no line end", number);
            std::string_view line = bytes.substr(0, end);
            bytes.remove_prefix(end + 1);
            if (line.ends_with('\r')) line.remove_suffix(1);
            if (std::any_of(line.begin(), line.end(), [](char c) { return (c >= 0 && c < ' ') || c == 0x7f; }))
                return Refuse("a control character", number);
            if (number == 1) {
                if (line != kFirstLine) return Refuse("the first line is not \"quorvane-release 1\"", number);
                continue;
            }
            if (line.empty()) return Refuse("an empty line", number);
            if (!SplitFields(line, fields)) return Refuse("fields are not separated by exactly one space", number);
            line_ = number;
            if (!Field(fields)) return Refuse(reason_, number);
        }
        if (number == 0) return Refuse("empty", 0);
        return Finish();
    }

private:
    TManifestResult Refuse(std::string reason, std::size_t line) {
        TManifestResult result;
        result.Reason = std::move(reason);
        result.Line = line;
        return result;
    }

    bool Fail(std::string reason) {
        reason_ = std::move(reason);
        return false;
    }

    // A key written once at most, with exactly one value.
    bool Single(std::string_view key, const std::vector<std::string_view>& fields, bool& seen) {
        if (seen) return Fail(std::string(key) + " appears twice");
        seen = true;
        if (fields.size() != 2) return Fail(std::string(key) + " takes one value");
        return true;
    }

    bool Field(const std::vector<std::string_view>& fields) {
        const std::string_view key = fields[0];
        if (key == "product") {
            if (!Single(key, fields, seenProduct_)) return false;
            if (fields[1] != product_) return Fail("the product is not " + std::string(product_));
            release_.Product = fields[1];
        } else if (key == "version") {
            if (!Single(key, fields, seenVersion_)) return false;
            if (!IsVersion(fields[1])) return Fail("the version is not 1 to 32 of 0-9 A-Z a-z . + -");
            release_.Version = fields[1];
        } else if (key == "sequence") {
            if (!Single(key, fields, seenSequence_)) return false;
            if (!ParseDecimal(fields[1], 1, INT64_MAX, release_.Sequence))
                return Fail("the sequence is not a decimal number from 1 to 2^63-1");
            release_.SequenceLine = line_;
        } else if (key == "expires") {
            if (!Single(key, fields, seenExpires_)) return false;
            if (!ParseUtcTime(fields[1], release_.Expires))
                return Fail("expires is not a UTC time YYYY-MM-DDThh:mm:ssZ");
            release_.ExpiresLine = line_;
        } else if (key == "mirror") {
            if (fields.size() != 2) return Fail("mirror takes one value");
            if (release_.Mirrors.size() == kMaxMirrors) return Fail("more than 8 mirrors");
            if (!IsMirrorUrl(fields[1])) return Fail("the mirror is not an http:// or https:// URL ending in /");
            release_.Mirrors.emplace_back(fields[1]);
        } else if (key == "file") {
            return File(fields);
        } else {
            return Fail("an unknown key");
        }
        return true;
    }

    bool File(const std::vector<std::string_view>& fields) {
        if (fields.size() != 4) return Fail("file takes a name, a size and a SHA-256");
        if (release_.Files.size() == kMaxFiles) return Fail("more than 256 files");
        TReleaseFile file;
        file.Name = fields[1];
        if (!IsFileName(file.Name)) return Fail("the file name is not allowed");
        if (!names_.insert(Lower(file.Name)).second) return Fail(file.Name + " is listed twice");
        if (!ParseDecimal(fields[2], 0, kMaxFileSize, file.Size))
            return Fail("the size is not a number from 0 to 2^40");
        if (!ParseSha256(fields[3], file.Sha256)) return Fail("the SHA-256 is not 64 lowercase hexadecimal digits");
        release_.Files.push_back(std::move(file));
        return true;
    }

    TManifestResult Finish() {
        if (!seenProduct_) return Refuse("no product line", 0);
        if (!seenVersion_) return Refuse("no version line", 0);
        if (!seenSequence_) return Refuse("no sequence line", 0);
        if (!seenExpires_) return Refuse("no expires line", 0);
        for (const char* name : install::kProductFiles)
            if (!names_.contains(Lower(name)))
                return Refuse(std::string("the product's ") + name + " is not listed", 0);
        TManifestResult result;
        result.Release = std::move(release_);
        return result;
    }

    std::string_view product_;
    TRelease release_;
    std::set<std::string> names_;  // lowercase
    std::string reason_;
    std::size_t line_ = 0;  // the line being read
    bool seenProduct_ = false, seenVersion_ = false, seenSequence_ = false, seenExpires_ = false;
};

}  // namespace

TManifestResult ParseReleaseManifest(std::string_view bytes, std::string_view product) {
    return ManifestReader(product).Read(bytes);
}

std::vector<const TReleaseFile*> FilesInOrder(const TRelease& release, std::span<const char* const> first) {
    std::vector<const TReleaseFile*> ordered;
    std::set<std::string> named;
    for (const char* name : first) {
        named.insert(Lower(name));
        for (const TReleaseFile& file : release.Files)
            if (Lower(file.Name) == Lower(name)) ordered.push_back(&file);
    }
    for (const TReleaseFile& file : release.Files)
        if (!named.contains(Lower(file.Name))) ordered.push_back(&file);
    return ordered;
}

}  // namespace release
