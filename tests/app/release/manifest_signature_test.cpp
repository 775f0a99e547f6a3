// The manifest's signature checked with CNG under Wine, against manifests that scripts/publish
// signed at build time: with the build's own embedded key, and with the two keys of a rotation
// embedded together (the second key header, generated from one PEM of two keys like the build's).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <span>
#include <string>

#include "app/release/ReleaseCheck.h"
#include "app/release/ReleaseKeys.h"
#include "RotationKeys.h"

namespace {

std::string Read(const std::string& name) {
    std::ifstream file(std::string(QUORVANE_SIGNED_MANIFESTS) + "\\" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    return {std::istreambuf_iterator<char>(file), {}};
}

enum class Keys { Embedded, Rotation, None };

std::span<const release::ReleaseKey> KeySet(Keys keys) {
    switch (keys) {
    case Keys::Embedded: return release::kReleaseKeys;
    case Keys::Rotation: return rotation::kReleaseKeys;
    case Keys::None: break;
    }
    return {};
}

struct Row {
    const char* what;
    const char* signer;  // which published manifest and signature
    Keys keys;
    int changedManifestByte, changedSignatureByte;  // -1: as published
    int signatureSize;                              // 0: as published
    release::SignatureVerdict verdict;
};

using release::SignatureVerdict;
const Row kRows[] = {
    {"the build's development key", "development", Keys::Embedded, -1, -1, 0, SignatureVerdict::Verified},
    {"one manifest byte changed", "development", Keys::Embedded, 60, -1, 0, SignatureVerdict::NoKeyMatches},
    {"the last manifest byte changed", "development", Keys::Embedded, 1 << 20, -1, 0, SignatureVerdict::NoKeyMatches},
    {"one signature byte changed", "development", Keys::Embedded, -1, 5, 0, SignatureVerdict::NoKeyMatches},
    {"s changed", "development", Keys::Embedded, -1, 63, 0, SignatureVerdict::NoKeyMatches},
    {"63 bytes", "development", Keys::Embedded, -1, -1, 63, SignatureVerdict::WrongLength},
    {"65 bytes", "development", Keys::Embedded, -1, -1, 65, SignatureVerdict::WrongLength},
    {"empty", "development", Keys::Embedded, -1, -1, -1, SignatureVerdict::WrongLength},
    {"another key", "new", Keys::Embedded, -1, -1, 0, SignatureVerdict::NoKeyMatches},
    {"no key embedded", "development", Keys::None, -1, -1, 0, SignatureVerdict::NoKeyMatches},
    {"rotation: the first key", "old", Keys::Rotation, -1, -1, 0, SignatureVerdict::Verified},
    {"rotation: the second key", "new", Keys::Rotation, -1, -1, 0, SignatureVerdict::Verified},
    {"rotation: a key of neither", "development", Keys::Rotation, -1, -1, 0, SignatureVerdict::NoKeyMatches},
};

TEST(ManifestSignatureTest, EachCase) {
    for (const Row& row : kRows) {
        std::string manifest = Read(std::string(row.signer) + ".manifest");
        std::string signature = Read(std::string(row.signer) + ".manifest.sig");
        ASSERT_EQ(signature.size(), 64u) << row.what;
        if (row.changedManifestByte >= 0)
            manifest[std::min<std::size_t>(row.changedManifestByte, manifest.size() - 1)] ^= 0x01;
        if (row.changedSignatureByte >= 0) signature[row.changedSignatureByte] ^= 0x80;
        if (row.signatureSize) signature.resize(row.signatureSize < 0 ? 0 : row.signatureSize, '\0');
        EXPECT_EQ(release::VerifyManifestSignature(manifest, signature, KeySet(row.keys)), row.verdict) << row.what;
    }
}

// The whole check: the signature before any field, so a changed manifest is refused for its
// signature even where its first line is now wrong too; a verified one yields the files of the
// published folder.
TEST(ManifestSignatureTest, CheckedBeforeAnyField) {
    std::string manifest = Read("development.manifest");
    const std::string signature = Read("development.manifest.sig");
    const release::TManifestResult good =
        release::CheckReleaseManifest(manifest, signature, release::kReleaseKeys, "Quorvane");
    ASSERT_TRUE(good.Release) << good.Reason;
    EXPECT_EQ(good.Release->Files.size(), 5u);
    EXPECT_EQ(good.Release->Mirrors.at(0), "http://mirror.example.org/q/");

    manifest.replace(0, 18, "quorvane-release 2");
    const release::TManifestResult changed =
        release::CheckReleaseManifest(manifest, signature, release::kReleaseKeys, "Quorvane");
    EXPECT_FALSE(changed.Release);
    EXPECT_NE(changed.Reason.find("signature"), std::string::npos) << changed.Reason;
    EXPECT_EQ(changed.Line, 0u);
}

}  // namespace
