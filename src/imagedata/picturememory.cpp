#include "picturememory.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// What a large buffer really holds: allocatePictureBytes rounds it up to whole 2 MB pages.
std::size_t capacityFor(std::size_t count)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t page = std::size_t{2} << 20;
    return (count + page - 1) / page * page;
#else
    return count;
#endif
}

} // namespace

pictureBytes allocatePictureBytes(std::size_t count) noexcept
{
    if (count == 0) count = 1; // a distinct, freeable block even for an empty picture
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (count >= largePictureBuffer) {
        constexpr std::size_t page = std::size_t{2} << 20;
        const std::size_t rounded = capacityFor(count);
        if (rounded >= count) { // no wrap-around for absurd sizes
            if (void *bytes = std::aligned_alloc(page, rounded)) {
                // Only advice: where the kernel has no 2 MB pages the buffer still works.
                madvise(bytes, rounded, MADV_HUGEPAGE);
                return pictureBytes(static_cast<std::uint8_t *>(bytes));
            }
        }
        return pictureBytes();
    }
#endif
    return pictureBytes(static_cast<std::uint8_t *>(std::malloc(count)));
}

pictureBytes requirePictureBytes(std::size_t count)
{
    pictureBytes bytes = allocatePictureBytes(count);
    if (!bytes) throw std::bad_alloc();
    return bytes;
}

pictureBytes copyPictureBytes(const std::uint8_t *from, std::size_t count)
{
    pictureBytes bytes = requirePictureBytes(count);
    if (count > 0) std::memcpy(bytes.get(), from, count);
    return bytes;
}

namespace {

// Spare buffers, the one given back longest ago first.
struct spareStore {
    std::mutex guard;
    std::vector<std::pair<std::uint8_t *, std::size_t>> kept;
    std::size_t bytes = 0;

    void freeAll() noexcept
    {
        const std::lock_guard<std::mutex> lock(guard);
        for (const auto &buffer : kept) std::free(buffer.first);
        kept.clear();
        bytes = 0;
    }
};

spareStore &store()
{
    // Never destroyed: a buffer given back while the program ends still finds it.
    static spareStore *const s = new spareStore;
    return *s;
}

} // namespace

void pictureMemoryRelease::operator()(std::uint8_t *bytes) const noexcept
{
    if (!bytes) return;
    if (spareCapacity == 0 || spareCapacity > spareBytesLimit) {
        std::free(bytes);
        return;
    }
    spareStore &s = store();
    std::vector<std::uint8_t *> freed;
    {
        const std::lock_guard<std::mutex> lock(s.guard);
        try {
            s.kept.emplace_back(bytes, spareCapacity);
            s.bytes += spareCapacity;
        } catch (...) {
            freed.push_back(bytes); // no room to note it: let it go
        }
        while (!s.kept.empty() && (s.kept.size() > spareBuffersLimit || s.bytes > spareBytesLimit)) {
            s.bytes -= s.kept.front().second;
            freed.push_back(s.kept.front().first);
            s.kept.erase(s.kept.begin());
        }
    }
    for (std::uint8_t *f : freed) std::free(f);
}

pictureBytes borrowPictureBytes(std::size_t count)
{
    if (count < largePictureBuffer) return requirePictureBytes(count); // the heap serves these well
    const std::size_t capacity = capacityFor(count);
    spareStore &s = store();
    {
        const std::lock_guard<std::mutex> lock(s.guard);
        // The smallest that fits, and not one more than twice the size: a small run does not
        // take the buffer a large one will want next.
        auto best = s.kept.end();
        for (auto it = s.kept.begin(); it != s.kept.end(); ++it)
            if (it->second >= capacity && it->second <= 2 * capacity && (best == s.kept.end() || it->second < best->second))
                best = it;
        if (best != s.kept.end()) {
            pictureBytes bytes(best->first, pictureMemoryRelease{best->second});
            s.bytes -= best->second;
            s.kept.erase(best);
            return bytes;
        }
    }
    pictureBytes fresh = allocatePictureBytes(count);
    if (!fresh) {
        releaseSparePictureBytes(); // what the store holds may be what is missing
        fresh = requirePictureBytes(count);
    }
    return pictureBytes(fresh.release(), pictureMemoryRelease{capacity});
}

void releaseSparePictureBytes() noexcept { store().freeAll(); }

std::size_t sparePictureBytes() noexcept
{
    spareStore &s = store();
    const std::lock_guard<std::mutex> lock(s.guard);
    return s.bytes;
}
