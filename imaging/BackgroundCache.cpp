#include "imaging/BackgroundCache.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/BackgroundBitmap.h"
#include "imaging/BackgroundLoader.h"
#include "imaging/BackgroundMerge.h"
#include "platform/Platform.h"

namespace aro {

namespace {

// The first-page and the next-pages image of one kind of page.
constexpr std::size_t kKeptImages = 2;

struct KeptImage {
    std::string path;
    FileIdentity identity;
    BackgroundBitmap bitmap;
    BackgroundRowSpans spans;
    std::uint64_t lastUse = 0;
    bool valid = false;

    void Forget() {
        valid = false;
        path.clear();
        bitmap.Clear();
        bitmap.FreeDib();
        BackgroundRowSpans().swap(spans);
    }
};

// The monochrome merge turns an image whose colour 0 is black around before
// its first use. Done once here, the kept pixels stay as they are through
// every merge of every page that shares them.
void PrepareForMerges(BackgroundBitmap& bitmap) {
    const unsigned char* palette = bitmap.GetPalette();
    if (bitmap.GetBitCount() == 1 && palette && palette[2] == 0) NormalizeMonoPolarity(bitmap);
}

class BackgroundCache {
public:
    // The built-in platform releases what is still kept when the module is
    // unloaded: constructed before the cache, it is destroyed after it.
    BackgroundCache() { BuiltInPlatform(); }
    ~BackgroundCache() { Release(); }
    BackgroundCache(const BackgroundCache&) = delete;
    BackgroundCache& operator=(const BackgroundCache&) = delete;

    BackgroundLoadResult Load(const char* path, BackgroundBitmap* bitmap) {
        if (!path || !*path || !bitmap) return LoadTiffImage(path, bitmap, 1);
        FileIdentity identity;
        if (!GetPlatform().GetFileIdentity(path, &identity)) {
            // It cannot be told apart from its next version: read afresh,
            // into a block of the bitmap's own (not one it shares).
            bitmap->FreeDib();
            return LoadTiffImage(path, bitmap, 1);
        }
        KeptImage& kept = SlotFor(path);
        kept.lastUse = ++m_uses;
        if (kept.valid && kept.identity == identity) {
            bitmap->ShareDib(kept.bitmap);
            return kBackgroundLoaded;
        }
        return Reload(kept, path, identity, bitmap);
    }

    const BackgroundRowSpans* SpansFor(const BackgroundBitmap& bitmap) const {
        for (const KeptImage& kept : m_images)
            if (kept.valid && bitmap.GetDib() && bitmap.GetDib() == kept.bitmap.GetDib() &&
                bitmap.GetHeight() == kept.bitmap.GetHeight() &&
                bitmap.GetWidth() == kept.bitmap.GetWidth() &&
                bitmap.GetBitCount() == kept.bitmap.GetBitCount())
                return &kept.spans;
        return nullptr;
    }

    void Release() {
        for (KeptImage& kept : m_images) kept.Forget();
    }

private:
    static BackgroundLoadResult Reload(KeptImage& kept, const char* path,
                                       const FileIdentity& identity, BackgroundBitmap* bitmap) {
        kept.Forget();
        // The page's earlier image goes before the new one is allocated.
        bitmap->FreeDib();
        const BackgroundLoadResult result = LoadTiffImage(path, &kept.bitmap, 1);
        if (result == kBackgroundLoaded) PrepareForMerges(kept.bitmap);
        bitmap->ShareDib(kept.bitmap);
        if (result != kBackgroundLoaded) {
            kept.Forget();
            return result;
        }
        kept.spans = FindBackgroundRowSpans(kept.bitmap);
        kept.path = path;
        kept.identity = identity;
        kept.valid = true;
        return result;
    }

    // The slot of this path, else the one used longest ago.
    KeptImage& SlotFor(const char* path) {
        KeptImage* oldest = &m_images[0];
        for (KeptImage& kept : m_images) {
            if (kept.valid && kept.path == path) return kept;
            if (kept.lastUse < oldest->lastUse) oldest = &kept;
        }
        return *oldest;
    }

    KeptImage m_images[kKeptImages];
    std::uint64_t m_uses = 0;
};

BackgroundCache& Cache() {
    static BackgroundCache cache;
    return cache;
}

}  // namespace

BackgroundLoadResult LoadCachedBackground(const char* path, BackgroundBitmap* bitmap) {
    return Cache().Load(path, bitmap);
}

const BackgroundRowSpans* KeptRowSpans(const BackgroundBitmap& bitmap) {
    return Cache().SpansFor(bitmap);
}

void ReleaseBackgroundCache() {
    Cache().Release();
}

}  // namespace aro
