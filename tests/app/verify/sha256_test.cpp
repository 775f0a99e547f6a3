// CNG's SHA-256 fed the way a download feeds it: in blocks of any size, started again by Reset
// when a body restarts, and ready for the next body after Finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/verify/Sha256.h"

namespace {

using verify::HexDigest;
using verify::Sha256;

struct Vector {
    std::string input;
    const char* digest;
};

const Vector kVectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

TEST(Sha256, GivesTheStandardDigestsWhateverTheBlocks) {
    Sha256 hash;
    for (const Vector& v : kVectors) {
        for (std::size_t block : {std::size_t{1} << 20, std::size_t{65536}, std::size_t{7}}) {
            for (std::size_t at = 0; at < v.input.size(); at += block)
                hash.Update(v.input.data() + at, std::min(block, v.input.size() - at));
            EXPECT_EQ(HexDigest(hash.Finish()), v.digest) << v.input.size() << " bytes in blocks of " << block;
        }
    }
}

TEST(Sha256, ResetForgetsWhatCameBefore) {
    Sha256 hash;
    hash.Update("partial body", 12);
    hash.Reset();
    hash.Update("abc", 3);
    EXPECT_EQ(HexDigest(hash.Finish()), kVectors[1].digest);
    hash.Reset();  // after Finish too
    EXPECT_EQ(HexDigest(hash.Finish()), kVectors[0].digest);
}

}  // namespace
