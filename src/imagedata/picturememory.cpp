#include "picturememory.h"

#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

pictureBytes allocatePictureBytes(std::size_t count) noexcept
{
    if (count == 0) count = 1; // a distinct, freeable block even for an empty picture
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (count >= largePictureBuffer) {
        constexpr std::size_t page = std::size_t{2} << 20;
        const std::size_t rounded = (count + page - 1) / page * page;
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
