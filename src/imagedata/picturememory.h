// Byte buffers the size of a colour plane: the planes of a picture being edited and the copies
// the filters read from while they write the planes.
//
// On first touch the kernel fills fresh memory with zeros page by page. For a 24-megapixel
// photo's three planes (72 MB) that costs about 24 ms in 4 KB pages but about 3 ms in 2 MB pages,
// more than most filters take for the work itself; so buffers of a few megabytes and more are
// laid out on 2 MB boundaries and offered to the kernel for 2 MB pages. Smaller ones, and every
// buffer where the system has no such pages, are ordinary heap memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct pictureMemoryRelease {
    void operator()(std::uint8_t *bytes) const noexcept { std::free(bytes); }
};
using pictureBytes = std::unique_ptr<std::uint8_t[], pictureMemoryRelease>;

// count bytes, left as they come (not zeroed); null when the memory is not there.
pictureBytes allocatePictureBytes(std::size_t count) noexcept;

// The same, but throws std::bad_alloc when the memory is not there.
pictureBytes requirePictureBytes(std::size_t count);
// A copy of count bytes from `from`; throws std::bad_alloc when the memory is not there.
pictureBytes copyPictureBytes(const std::uint8_t *from, std::size_t count);

// The size from which buffers are offered for 2 MB pages (below it they would waste most of one).
constexpr std::size_t largePictureBuffer = std::size_t{4} << 20;
