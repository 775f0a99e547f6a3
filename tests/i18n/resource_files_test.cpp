// The committed licence texts and art: encoding, line breaks, the bold runs of the English
// basic licence, and the image headers that the form and Explorer rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

// The committed file's bytes; the folder is compiled in by CMake.
std::string ReadResourceFile(const std::string& name) {
    std::ifstream in(std::string(QUORVANE_RESOURCES_DIR) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::vector<std::string> kLicences = {"licences/basic-fr.txt", "licences/basic-en.txt", "licences/general-en.txt",
                                            "licences/professional-fr.txt", "licences/enterprise-fr.txt"};

const std::vector<std::string> kFrench = {"licences/basic-fr.txt", "licences/professional-fr.txt",
                                          "licences/enterprise-fr.txt"};

uint32_t Le32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t Le16(const std::string& b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }

bool IsBreakOrSpace(char c) { return c == '\r' || c == '\n' || c == ' '; }

// The rich-text pane of the English basic licence sets three bold runs at fixed positions that
// count CR LF as two characters, i.e. byte offsets into this file. A run must cover whole words.
struct BoldRun {
    size_t start, length;
    std::string expected;
};

TEST(LicenceTexts, EnglishBasicBoldRunsCoverTitleHeadingAndOrganisation) {
    const std::string text = ReadResourceFile("licences/basic-en.txt");
    const BoldRun runs[] = {{0, 114,
                             "QUORVANE BASIC EDITION\r\nEND-USER LICENCE AGREEMENT\r\n"
                             "Read this agreement carefully before you install the software."},
                            {1259, 20, "5. WARRANTY AND RISK"},
                            {2162, 38, "Quorvane Customer Relations Department"}};
    for (const BoldRun& run : runs) {
        SCOPED_TRACE(run.expected);
        ASSERT_LT(run.start + run.length, text.size());
        EXPECT_EQ(text.substr(run.start, run.length), run.expected);
        if (run.start > 0) {
            EXPECT_TRUE(IsBreakOrSpace(text[run.start - 1]));
        }
        EXPECT_TRUE(IsBreakOrSpace(text[run.start + run.length]));
    }
    // The heading is a line of its own, after a blank line; the organisation is in the last section.
    EXPECT_EQ(text.substr(1255, 4), "\r\n\r\n");
    EXPECT_EQ(text.substr(1279, 2), "\r\n");
    const size_t lastHeading = text.rfind("\r\n\r\n");
    EXPECT_LT(lastHeading, 2162u);
}

// Bytes that Windows-1252 leaves undefined, or the UTF-8 forms of the Latin-1 letters and signs
// (lead byte C2 or C3, "Â" or "Ã", then a continuation byte), which no French text contains:
// either means the file was saved in another encoding and would show garbage in the panes. The
// panes break lines at CR LF only.
TEST(LicenceTexts, AreWindows1252WithCrLfLineBreaks) {
    for (const std::string& name : kLicences) {
        SCOPED_TRACE(name);
        const std::string text = ReadResourceFile(name);
        EXPECT_GE(text.size(), 2000u);
        for (size_t i = 0; i < text.size(); ++i) {
            const uint8_t c = uint8_t(text[i]);
            const uint8_t next = i + 1 < text.size() ? uint8_t(text[i + 1]) : 0;
            ASSERT_FALSE(c == '\r' && next != '\n') << "bare CR at " << i;
            ASSERT_FALSE(c == '\n' && (i == 0 || text[i - 1] != '\r')) << "bare LF at " << i;
            ASSERT_FALSE(c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) << "at " << i;
            ASSERT_FALSE(c < 0x20 && c != '\r' && c != '\n') << "control byte at " << i;
            ASSERT_FALSE((c == 0xC2 || c == 0xC3) && next >= 0x80 && next <= 0xBF) << "UTF-8 sequence at " << i;
        }
    }
}

TEST(LicenceTexts, FrenchTextsCarryTheirAccents) {
    for (const std::string& name : kFrench) {
        SCOPED_TRACE(name);
        const std::string text = ReadResourceFile(name);
        EXPECT_NE(text.find("\xC9"
                            "DITION"),
                  std::string::npos);                                   // ÉDITION
        EXPECT_NE(text.find("pr\xE9sent Contrat"), std::string::npos);  // présent
        EXPECT_NE(text.find("\xAB\xA0"), std::string::npos);            // « and a non-breaking space
    }
}

TEST(Art, LogoIsA49By57BitmapWith24BitsPerPixel) {
    const std::string bmp = ReadResourceFile("logo.bmp");
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Le32(bmp, 2), bmp.size());
    EXPECT_EQ(Le32(bmp, 14), 40u);               // BITMAPINFOHEADER
    EXPECT_EQ(int32_t(Le32(bmp, 18)), 49);       // width
    EXPECT_EQ(int32_t(Le32(bmp, 22)), 57);       // height, positive: bottom-up rows
    EXPECT_EQ(Le16(bmp, 28), 24);                // bits per pixel
    EXPECT_EQ(Le32(bmp, 30), 0u);                // BI_RGB
    const uint32_t stride = (49 * 3 + 3) & ~3u;  // rows padded to four bytes
    EXPECT_EQ(bmp.size() - Le32(bmp, 10), stride * 57);
}

TEST(Art, LogoHasAWhiteBackgroundAndAColouredEmblem) {
    const std::string bmp = ReadResourceFile("logo.bmp");
    const size_t pixels = Le32(bmp, 10), stride = (49 * 3 + 3) & ~3u;
    auto pixel = [&](int x, int y) {  // y counted from the top; the file stores rows bottom-up
        const size_t at = pixels + (56 - y) * stride + x * 3;
        return std::vector<uint8_t>{uint8_t(bmp[at + 2]), uint8_t(bmp[at + 1]), uint8_t(bmp[at])};
    };
    for (auto [x, y] : std::initializer_list<std::pair<int, int>>{{0, 0}, {48, 0}, {0, 56}, {48, 56}})
        EXPECT_EQ(pixel(x, y), (std::vector<uint8_t>{255, 255, 255})) << x << "," << y;
    const std::vector<uint8_t> side = pixel(8, 28);  // inside the shield, left of the ring
    EXPECT_LT(side[0], 64);
    EXPECT_GT(side[2], 128);
}

TEST(Art, IconHoldsThe16_32_And48PixelImages) {
    const std::string ico = ReadResourceFile("Install.ico");
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(Le16(ico, 0), 0);
    EXPECT_EQ(Le16(ico, 2), 1);  // icon, not cursor
    const int count = Le16(ico, 4);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * i;
        ASSERT_LE(entry + 16, ico.size());
        const int size = uint8_t(ico[entry]) == 0 ? 256 : uint8_t(ico[entry]);
        const uint32_t bytes = Le32(ico, entry + 8), offset = Le32(ico, entry + 12);
        ASSERT_LE(offset + bytes, ico.size());
        EXPECT_EQ(Le32(ico, offset), 40u);  // BITMAPINFOHEADER, not PNG
        EXPECT_EQ(int32_t(Le32(ico, offset + 4)), size);
        EXPECT_EQ(int32_t(Le32(ico, offset + 8)), 2 * size);  // colour rows plus mask rows
        sizes.push_back(size);
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

}  // namespace
