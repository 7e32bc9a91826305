#include "PageAhead.h"

#include <gtest/gtest.h>

#include <thread>

namespace aro::host {
namespace {

// Pages of one grey level each (page n: level n * 40), then the end or a
// failure; records the threads it was read on.
class CountingSource : public PageSource {
public:
    CountingSource(int pages, bool failAtEnd, bool beside)
        : m_pages(pages), m_failAtEnd(failAtEnd), m_beside(beside) {}

    bool NextPage(RasterImage* page) override {
        readers.push_back(std::this_thread::get_id());
        if (m_read == m_pages) {
            if (m_failAtEnd) m_error = "broken page";
            return false;
        }
        page->kind = PixelKind::Grey;
        page->width = 8;
        page->height = 1;
        page->pixels.assign(8, static_cast<unsigned char>(m_read++ * 40));
        return true;
    }
    std::optional<size_t> PageCount() const override { return std::nullopt; }
    bool ReadsBesideModule() const override { return m_beside; }

    std::vector<std::thread::id> readers;

private:
    int m_pages;
    int m_read = 0;
    bool m_failAtEnd;
    bool m_beside;
};

// Takes every page as PrintJob does; the first byte of each bitmap.
std::vector<int> TakeAll(PageSource& source) {
    PageAhead ahead(source, ColourMode::Colour);
    std::vector<int> firstBytes;
    PrintBitmap page;
    for (ahead.Request(); ahead.Take(&page); ahead.Request()) firstBytes.push_back(page.bits[0]);
    return firstBytes;
}

TEST(HostPageAheadTest, PagesArriveInOrderAndEndCleanly) {
    for (bool beside : {true, false}) {
        CountingSource source(4, false, beside);
        EXPECT_EQ(TakeAll(source), (std::vector<int>{0, 40, 80, 120}));
        EXPECT_TRUE(source.error().empty());
        EXPECT_EQ(source.readers.size(), 5u);  // never read past the end
    }
}

TEST(HostPageAheadTest, FailureEndsThePagesAndKeepsTheError) {
    CountingSource source(2, true, true);
    EXPECT_EQ(TakeAll(source), (std::vector<int>{0, 40}));
    EXPECT_EQ(source.error(), "broken page");
}

// Ghostscript's pipe is read beside the module; a source that shares
// process-wide state with the module (libtiff's handlers) is read on the
// caller's thread only.
TEST(HostPageAheadTest, OnlySourcesThatAllowItAreReadOnAnotherThread) {
    CountingSource beside(3, false, true), alone(3, false, false);
    TakeAll(beside);
    TakeAll(alone);
    for (auto id : beside.readers) EXPECT_NE(id, std::this_thread::get_id());
    for (auto id : alone.readers) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(HostPageAheadTest, TakeWithoutRequestGivesNothing) {
    CountingSource source(3, false, true);
    PageAhead ahead(source, ColourMode::Auto);
    PrintBitmap page;
    EXPECT_FALSE(ahead.Take(&page));
    EXPECT_TRUE(source.readers.empty());
}

}  // namespace
}  // namespace aro::host
