#include "PnmReader.h"

#include <gtest/gtest.h>

#include <string>

namespace aro::host {
namespace {

using namespace std::string_literals;

// The stream's text in a memory file.
class MemoryStream {
public:
    explicit MemoryStream(const std::string& content) : m_content(content) {
        m_file = fmemopen(m_content.data(), m_content.size(), "rb");
    }
    ~MemoryStream() { std::fclose(m_file); }
    std::FILE* get() { return m_file; }

private:
    std::string m_content;
    std::FILE* m_file;
};

TEST(HostPnmReaderTest, ReadsConcatenatedImagesWithCommentsUntilTheEnd) {
    std::string data = "P4\n# a comment\n10 2\n\xC0\x40\xFF\xC0"s + "P5 3#c\n1 255\n\x00\x80\xFF"s +
                       "P6\n1 1\n255\n\x01\x02\x03"s + "\n\n";
    MemoryStream in(data);
    RasterImage image;
    std::string error;

    ASSERT_EQ(ReadPnmImage(in.get(), &image, &error), PnmRead::Image) << error;
    EXPECT_EQ(image.kind, PixelKind::Bilevel);
    EXPECT_EQ(image.width, 10u);
    EXPECT_EQ(image.pixels, (std::vector<unsigned char>{0xC0, 0x40, 0xFF, 0xC0}));

    ASSERT_EQ(ReadPnmImage(in.get(), &image, &error), PnmRead::Image) << error;
    EXPECT_EQ(image.kind, PixelKind::Grey);
    EXPECT_EQ(image.pixels, (std::vector<unsigned char>{0x00, 0x80, 0xFF}));

    ASSERT_EQ(ReadPnmImage(in.get(), &image, &error), PnmRead::Image) << error;
    EXPECT_EQ(image.kind, PixelKind::Rgb);
    EXPECT_EQ(image.pixels, (std::vector<unsigned char>{1, 2, 3}));

    EXPECT_EQ(ReadPnmImage(in.get(), &image, &error), PnmRead::End);
}

TEST(HostPnmReaderTest, ScalesOtherMaximumValuesAndSixteenBitSamples) {
    MemoryStream small("P5 3 1 15\n\x00\x07\x0F"s);
    RasterImage image;
    std::string error;
    ASSERT_EQ(ReadPnmImage(small.get(), &image, &error), PnmRead::Image) << error;
    EXPECT_EQ(image.pixels, (std::vector<unsigned char>{0, 119, 255}));

    MemoryStream wide("P5 2 1 65535\n\xFF\xFF\x80\x00"s);
    ASSERT_EQ(ReadPnmImage(wide.get(), &image, &error), PnmRead::Image) << error;
    EXPECT_EQ(image.pixels, (std::vector<unsigned char>{255, 128}));
}

TEST(HostPnmReaderTest, MalformedImagesFail) {
    const std::vector<std::string> malformed = {
        "P3\n1 1\n255\n0 0 0\n",    // plain-text PNM is not read
        "P4\n0 5\n",                // no pixels
        "P4\n8 2\n\xFF",            // data cut short
        "P5\n2 2\n300\n",           // cut short, 16-bit
        "P6\n70000 1\n255\n",       // wider than any page
        "P5\n2 1\n255#\n\x01\x02",  // no white space before the data
        "P4 8",                     // header cut short
        "garbage",
    };
    for (const std::string& text : malformed) {
        MemoryStream in(text);
        RasterImage image;
        std::string error;
        EXPECT_EQ(ReadPnmImage(in.get(), &image, &error), PnmRead::Failed) << text;
        EXPECT_FALSE(error.empty());
    }
}

TEST(HostPnmReaderTest, HeaderClaimingAHugeImageFailsWithoutReservingIt) {
    // 60000 x 60000 RGB would be 10 GB; only what arrives is stored.
    MemoryStream in("P6\n60000 60000\n255\nabcdef");
    RasterImage image;
    std::string error;
    EXPECT_EQ(ReadPnmImage(in.get(), &image, &error), PnmRead::Failed);
    EXPECT_LT(image.pixels.capacity(), 1000000u);
}

}  // namespace
}  // namespace aro::host
