// The release manifest's parser as one table: the example manifest, then one row per rule,
// each changing that manifest in one place. A row either keeps it acceptable or names the line and
// a word of the reason the parser must give.
#include <gtest/gtest.h>

#include <string>

#include "app/release/ReleaseAcceptance.h"
#include "app/release/ReleaseManifest.h"
#include "app/release/RefusalText.h"
#include "i18n/traducteur.h"

namespace {

const std::string kHash(64, 'a');

// 1 header, 2 product, 3 version, 4 sequence, 5 expires, 6-7 mirrors, 8-11 files; 12 is the next.
const std::string kGood =
    "quorvane-release 1\n"
    "product Quorvane\n"
    "version 2.4.1\n"
    "sequence 17\n"
    "expires 2027-03-01T00:00:00Z\n"
    "mirror https://mirror-a.example.net/quorvane/\n"
    "mirror http://mirror-b.example.org/q/\n"
    "file quorvane.exe 1234567 0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef\n"
    "file quorvane.ini 2048 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n"
    "file miseajour.exe 301234 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n"
    "file uninstall.exe 88123 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n";

std::string Lines(const std::string& prefix, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += prefix + std::to_string(i) + "/\n";
    return text;
}

std::string Files(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "file extra" + std::to_string(i) + ".dat 1 " + kHash + "\n";
    return text;
}

// `find` is replaced by `replace` in the good manifest (the first occurrence); an empty `find`
// appends `replace` at its end. An empty `reason` means the result is accepted.
struct Row {
    const char* group;
    std::string find, replace;
    std::size_t line;
    const char* reason;
};

const Row kRows[] = {
    {"accepted", "", "", 0, ""},
    {"accepted", "\n", "\r\n", 0, ""},  // CRLF, here on the first line alone
    {"accepted", "mirror https://mirror-a.example.net/quorvane/\nmirror http://mirror-b.example.org/q/\n", "", 0, ""},
    {"accepted", "mirror http://mirror-b.example.org/q/\n", Lines("mirror http://m.example.org:8080/", 7), 0, ""},
    {"accepted", "", "mirror http://[::1]:65535/\nmirror https://10.0.0.1/a/b/\n", 0, ""},
    {"accepted", "", Files(252), 0, ""},
    {"accepted", "2.4.1", "1.0+build-7." + std::string(20, 'Z'), 0, ""},
    {"accepted", "sequence 17", "sequence 9223372036854775807", 0, ""},
    {"accepted", "sequence 17", "sequence 1", 0, ""},
    {"accepted", "2027-03-01T00:00:00Z", "2028-02-29T23:59:59Z", 0, ""},
    {"accepted", "2027-03-01T00:00:00Z", "2000-02-29T00:00:00Z", 0, ""},
    {"accepted", "2048", "1099511627776", 0, ""},
    {"accepted", "2048", "0", 0, ""},
    {"accepted", "", "file " + std::string(64, 'n') + " 1 " + kHash + "\n", 0, ""},
    {"accepted", "", "file COM0 1 " + kHash + "\nfile console.dll 1 " + kHash + "\nfile lpt10 1 " + kHash + "\n", 0,
     ""},
    {"accepted", "file quorvane.exe", "file QUORVANE.EXE", 0, ""},

    {"lines", "quorvane-release", "\xEF\xBB\xBFquorvane-release", 1, "byte order mark"},
    {"lines", "", std::string(65536, '#'), 0, "64 KiB"},
    {"lines", "", "file last.dat 1 " + kHash, 12, "no line end"},
    {"lines", "", "\n", 12, "empty line"},
    {"lines", "version 2.4.1\n", "version 2.4.1\r\r\n", 3, "control"},
    {"lines", "version 2.4.1", "version\t2.4.1", 3, "control"},
    {"lines", "version 2.4.1", "version 2.4.1\x7f", 3, "control"},
    {"lines", "version 2.4.1", std::string("version 2.4.1\0", 14), 3, "control"},
    {"lines", "version 2.4.1", "version  2.4.1", 3, "one space"},
    {"lines", "version 2.4.1", " version 2.4.1", 3, "one space"},
    {"lines", "version 2.4.1", "version 2.4.1 ", 3, "one space"},
    {"first line", kGood, "", 0, "empty"},
    {"first line", "quorvane-release 1", "quorvane-release 2", 1, "first line"},
    {"first line", "quorvane-release 1", "quorvane-release 01", 1, "first line"},
    {"first line", "quorvane-release 1\n", "", 1, "first line"},
    {"first line", "quorvane-release 1\n", "\nquorvane-release 1\n", 1, "first line"},

    {"keys", "", "signer someone\n", 12, "unknown key"},
    {"keys", "", "Product Quorvane\n", 12, "unknown key"},
    {"keys", "", "product Quorvane\n", 12, "twice"},
    {"keys", "", "version 2.4.1\n", 12, "twice"},
    {"keys", "", "sequence 18\n", 12, "twice"},
    {"keys", "", "expires 2027-03-01T00:00:00Z\n", 12, "twice"},
    {"keys", "product Quorvane\n", "", 0, "no product"},
    {"keys", "version 2.4.1\n", "", 0, "no version"},
    {"keys", "sequence 17\n", "", 0, "no sequence"},
    {"keys", "expires 2027-03-01T00:00:00Z\n", "", 0, "no expires"},
    {"keys", "version 2.4.1", "version", 3, "one value"},
    {"keys", "mirror http://mirror-b.example.org/q/", "mirror", 7, "one value"},

    {"product", "product Quorvane", "product Other", 2, "product"},
    {"product", "product Quorvane", "product quorvane", 2, "product"},
    {"product", "product Quorvane", "product Quorvane Pro", 2, "one value"},

    {"version", "2.4.1", std::string(33, '1'), 3, "version"},
    {"version", "2.4.1", "2.4_1", 3, "version"},
    {"version", "2.4.1", "2.4.1\xC3\xA9", 3, "version"},

    {"sequence", "sequence 17", "sequence 0", 4, "sequence"},
    {"sequence", "sequence 17", "sequence 9223372036854775808", 4, "sequence"},
    {"sequence", "sequence 17", "sequence 18446744073709551616", 4, "sequence"},
    {"sequence", "sequence 17", "sequence 017", 4, "sequence"},
    {"sequence", "sequence 17", "sequence +17", 4, "sequence"},
    {"sequence", "sequence 17", "sequence -1", 4, "sequence"},
    {"sequence", "sequence 17", "sequence 1e3", 4, "sequence"},
    {"sequence", "sequence 17", "sequence 0x11", 4, "sequence"},

    {"expires", "2027-03-01T00:00:00Z", "2027-02-29T00:00:00Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2100-02-29T00:00:00Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-04-31T00:00:00Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-13-01T00:00:00Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-00-01T00:00:00Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-03-00T00:00:00Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-03-01T24:00:00Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-03-01T00:60:00Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-03-01T23:59:60Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "1969-12-31T23:59:59Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-03-01T00:00:00", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-03-01t00:00:00z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-03-01T00:00:00+00:00", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-3-01T00:00:00Z", 5, "expires"},
    {"expires", "2027-03-01T00:00:00Z", "2027-03-01", 5, "expires"},

    {"mirror", "http://mirror-b.example.org/q/", "ftp://mirror-b.example.org/q/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "HTTP://mirror-b.example.org/q/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http://mirror-b.example.org/q", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http://mirror-b.example.org", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http:///q/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "//mirror-b.example.org/q/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http://user@mirror-b.example.org/q/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http://mirror-b.example.org:0/q/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http://mirror-b.example.org:65536/q/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http://mirror-b.example.org:/q/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http://mirror-b.example.org/q?a=/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http://mirror-b.example.org/q#/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http://mirror-b.example.org\\q/", 7, "mirror"},
    {"mirror", "http://mirror-b.example.org/q/", "http://mirr\xC3\xB6r.example.org/q/", 7, "mirror"},
    {"mirror", "", Lines("mirror http://m.example.org/", 7), 18, "more than 8"},

    {"file", "file quorvane.ini", "file quorvane.ini extra", 9, "file takes"},
    {"file", "", "file " + std::string(65, 'n') + " 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file .hidden 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file trailing. 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file a/b 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file a\\b 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file a:b 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file \xC3\xA9t\xC3\xA9 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file CON 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file con.txt 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file Nul.tar.gz 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file prn 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file aux.dll 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file Com1.dll 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file LPT9 1 " + kHash + "\n", 12, "name"},
    {"file", "", "file Quorvane.Exe 1 " + kHash + "\n", 12, "twice"},
    {"file", "2048", "1099511627777", 9, "size"},
    {"file", "2048", "02048", 9, "size"},
    {"file", "2048", "-1", 9, "size"},
    {"file", "2048 " + kHash, "2048 " + kHash.substr(1), 9, "SHA-256"},
    {"file", "2048 " + kHash, "2048 " + kHash + "a", 9, "SHA-256"},
    {"file", "2048 " + kHash, "2048 " + std::string(64, 'A'), 9, "SHA-256"},
    {"file", "2048 " + kHash, "2048 " + std::string(63, 'a') + "g", 9, "SHA-256"},
    {"file", "file quorvane.ini 2048 " + kHash + "\n", "", 0, "quorvane.ini"},
    {"file", "file miseajour.exe", "file miseajour.ex", 0, "miseajour.exe"},
    {"file", "", Files(253), 264, "more than 256"},
};

TEST(ReleaseManifestTest, EachRule) {
    for (const Row& row : kRows) {
        std::string text = kGood;
        if (row.find.empty()) text += row.replace;
        else text.replace(text.find(row.find), row.find.size(), row.replace);
        const release::TManifestResult result = release::ParseReleaseManifest(text, "Quorvane");
        const std::string label = std::string(row.group) + ": " + row.replace.substr(0, 60);
        if (*row.reason == '\0') {
            EXPECT_TRUE(result.Release) << label << " refused: " << result.Reason << " (line " << result.Line << ")";
            continue;
        }
        EXPECT_FALSE(result.Release) << label << " accepted";
        EXPECT_EQ(result.Line, row.line) << label << ": " << result.Reason;
        EXPECT_NE(result.Reason.find(row.reason), std::string::npos) << label << ": " << result.Reason;
    }
}

// What an accepted manifest yields, value by value, in the manifest's order.
TEST(ReleaseManifestTest, Values) {
    const release::TManifestResult result = release::ParseReleaseManifest(kGood, "Quorvane");
    ASSERT_TRUE(result.Release) << result.Reason;
    const release::TRelease& release = *result.Release;
    EXPECT_EQ(release.Product, "Quorvane");
    EXPECT_EQ(release.Version, "2.4.1");
    EXPECT_EQ(release.Sequence, 17u);
    EXPECT_EQ(release.Expires, 1803859200);  // 2027-03-01T00:00:00Z
    EXPECT_EQ(release.Mirrors,
              (std::vector<std::string>{"https://mirror-a.example.net/quorvane/", "http://mirror-b.example.org/q/"}));
    ASSERT_EQ(release.Files.size(), 4u);
    EXPECT_EQ(release.Files[2].Name, "miseajour.exe");
    EXPECT_EQ(release.Files[0].Size, 1234567u);
    EXPECT_EQ(release.Files[0].Sha256[0], 0x01);
    EXPECT_EQ(release.Files[0].Sha256[31], 0xef);

    std::int64_t seconds = 0;
    EXPECT_TRUE(release::ParseUtcTime("2028-02-29T23:59:59Z", seconds));
    EXPECT_EQ(seconds, 1835481599);
    EXPECT_TRUE(release::ParseUtcTime("9999-12-31T23:59:59Z", seconds));
    EXPECT_EQ(seconds, 253402300799);
}

// The machine's side of the decision on the good manifest (sequence 17, expiring at
// 2027-03-01T00:00:00Z, 1803859200): the recorded floor, the clock, and the line each refusal names.
TEST(ReleaseAcceptanceTest, SequenceAndExpiry) {
    constexpr std::int64_t kExpires = 1803859200;
    const struct {
        const char* what;
        std::uint64_t floor;
        std::int64_t now;
        release::Refusal why;
        std::size_t line;
    } rows[] = {
        {"a newer release", 16, kExpires - 86400, release::Refusal::None, 0},
        {"the same sequence: a repair", 17, kExpires - 1, release::Refusal::None, 0},
        {"an older release", 18, kExpires - 86400, release::Refusal::Rollback, 4},
        {"the build's floor at its highest", UINT64_C(9223372036854775807), 0, release::Refusal::Rollback, 4},
        {"the second it expires", 1, kExpires, release::Refusal::Expired, 5},
        {"a clock years ahead", 1, kExpires + 3 * 365 * 86400, release::Refusal::Expired, 5},
        {"older and expired: the rollback is named", 18, kExpires + 1, release::Refusal::Rollback, 4},
    };
    for (const auto& row : rows) {
        const release::TReleaseDecision decision = release::AcceptRelease(kGood, "Quorvane", row.floor, row.now);
        EXPECT_EQ(decision.Why, row.why) << row.what << ": " << decision.Reason;
        EXPECT_EQ(decision.Release.has_value(), row.why == release::Refusal::None) << row.what;
        EXPECT_EQ(decision.Line, row.line) << row.what;
        if (row.why != release::Refusal::None) {
            EXPECT_EQ(decision.Version, "2.4.1") << row.what;
            EXPECT_EQ(decision.Expires, kExpires) << row.what;
        }
    }
    const release::TReleaseDecision malformed =
        release::AcceptRelease("quorvane-release 1\nproduct Other\n", "Quorvane", 1, 0);
    EXPECT_EQ(malformed.Why, release::Refusal::Format);
    EXPECT_EQ(malformed.Line, 2u) << malformed.Reason;
    EXPECT_EQ(release::UtcText(kExpires), "2027-03-01 00:00 UTC");
    EXPECT_EQ(release::UtcText(1835481599), "2028-02-29 23:59 UTC");
    EXPECT_EQ(release::UtcText(0), "1970-01-01 00:00 UTC");
}

// Each refusal's box in both languages says what it is about, with the version or the date it
// names; the log line gives the reason and the line.
TEST(ReleaseAcceptanceTest, RefusalTexts) {
    tTranslate table;
    Translator = &table;
    const struct {
        std::uint64_t floor;
        std::int64_t now;
        std::string manifest;
        const char* english;
        const char* french;
        const char* log;
    } rows[] = {
        {18, 0, kGood, "offers Quorvane 2.4.1, older than the version already installed",
         "propose Quorvane 2.4.1, plus ancien",
         "sequence 17 is lower than 18, the lowest this machine accepts (line 4)"},
        {1, 1803859200, kGood, "expired on 2027-03-01 00:00 UTC. Check this computer's date and time",
         "a expir\xC3\xA9 le 2027-03-01 00:00 UTC. V\xC3\xA9rifiez la date", "(line 5)"},
        {1, 0, kGood + "extra\n", "damaged or unreadable",
         "endommag\xC3\xA9"
         "e",
         "an unknown key (line 12)"},
    };
    for (const auto& row : rows) {
        const release::TReleaseDecision decision = release::AcceptRelease(row.manifest, "Quorvane", row.floor, row.now);
        EXPECT_NE(release::RefusalLogLine(decision).find(row.log), std::string::npos)
            << release::RefusalLogLine(decision);
        table.Language = "anglais";
        EXPECT_NE(release::RefusalText(decision).find(row.english), std::string::npos)
            << release::RefusalText(decision);
        table.Language = "francais";
        EXPECT_NE(release::RefusalText(decision).find(row.french), std::string::npos) << release::RefusalText(decision);
    }
    release::TReleaseDecision unsigned_;
    unsigned_.Why = release::Refusal::Signature;
    unsigned_.Reason = "the signature is not made by a key of this installer";
    table.Language = "anglais";
    EXPECT_NE(release::RefusalText(unsigned_).find("whose signature this installer does not recognise"),
              std::string::npos);
    EXPECT_EQ(release::RefusalLogLine(unsigned_),
              "Release manifest refused: the signature is not made by a key of this installer");
    Translator = nullptr;
}

}  // namespace
