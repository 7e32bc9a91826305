// PNM files: every image in the file is a page.
#include <sys/stat.h>

#include "PageSource.h"
#include "PnmReader.h"

namespace aro::host {

namespace {

class PnmFileSource : public PageSource {
public:
    PnmFileSource(std::FILE* file, bool owned) : m_file(file), m_owned(owned) {}
    ~PnmFileSource() override {
        if (m_owned) std::fclose(m_file);
    }

    // Walks the headers and checks that each image's data is all there, so
    // that a damaged file is refused before its first page is printed.
    bool Scan() {
        struct stat st;
        if (fstat(fileno(m_file), &st) != 0) return Fail("cannot read the file");
        PnmHeader header;
        PnmRead read;
        size_t images = 0;
        while ((read = ReadPnmHeader(m_file, &header, &m_error)) == PnmRead::Image) {
            ++images;
            off_t position = ftello(m_file);
            if (position < 0 || position > st.st_size) return Fail("cannot read the file");
            if (header.dataBytes() > static_cast<unsigned long long>(st.st_size - position))
                return Fail("PNM image " + std::to_string(images) + " is cut short");
            if (fseeko(m_file, static_cast<off_t>(header.dataBytes()), SEEK_CUR) != 0)
                return Fail("cannot read the file");
        }
        if (read == PnmRead::Failed)
            return Fail("image " + std::to_string(images + 1) + ": " + m_error);
        m_pageCount = images;
        std::rewind(m_file);
        return true;
    }

    bool NextPage(RasterImage* page) override {
        return ReadPnmImage(m_file, page, &m_error) == PnmRead::Image;
    }

    std::optional<size_t> PageCount() const override { return m_pageCount; }

    bool ReadsBesideModule() const override { return true; }

private:
    bool Fail(const std::string& error) {
        m_error = error;
        return false;
    }

    std::FILE* m_file;
    bool m_owned;
    std::optional<size_t> m_pageCount;
};

}  // namespace

std::unique_ptr<PageSource> OpenPnmFile(const std::string& path, std::string* error) {
    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (!file) {
        *error = "cannot open the file";
        return nullptr;
    }
    auto source = std::make_unique<PnmFileSource>(file, true);
    if (!source->Scan()) {
        *error = source->error();
        return nullptr;
    }
    return source;
}

std::unique_ptr<PageSource> OpenPnmStream(std::FILE* stream) {
    return std::make_unique<PnmFileSource>(stream, false);
}

}  // namespace aro::host
