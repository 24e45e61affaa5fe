// Byte buffers the size of a colour plane: the planes of a picture being edited and the copies
// the filters read from while they write the planes.
//
// On first touch the kernel fills fresh memory with zeros page by page. For a 24-megapixel
// photo's three planes (72 MB) that costs about 24 ms in 4 KB pages but about 3 ms in 2 MB pages,
// more than most filters take for the work itself; so buffers of a few megabytes and more are
// laid out on 2 MB boundaries and offered to the kernel for 2 MB pages. Smaller ones, and every
// buffer where the system has no such pages, are ordinary heap memory.
//
// Even in 2 MB pages, fresh memory is the dearest part of a quick filter's run: its cost swings
// with what the system did with the pages last (on a virtual machine a page given back may have
// to be fetched again from the host), and on several threads the first touches queue up behind
// each other. So the copies a run reads from while it writes the planes are borrowed
// (borrowPictureBytes): a large one goes back, when the run lets go of it, to a small store of
// spare buffers that the next run of a picture of about the same size takes again, its pages
// already in place. A borrowed buffer holds whatever its last user left in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct pictureMemoryRelease {
    std::size_t spareCapacity = 0; // a borrowed buffer of this many bytes: back to the store
    void operator()(std::uint8_t *bytes) const noexcept;
};
using pictureBytes = std::unique_ptr<std::uint8_t[], pictureMemoryRelease>;

// count bytes, left as they come (not zeroed); null when the memory is not there.
pictureBytes allocatePictureBytes(std::size_t count) noexcept;

// The same, but throws std::bad_alloc when the memory is not there.
pictureBytes requirePictureBytes(std::size_t count);
// A copy of count bytes from `from`; throws std::bad_alloc when the memory is not there.
pictureBytes copyPictureBytes(const std::uint8_t *from, std::size_t count);

// count bytes for the length of a run, from the store of spare buffers when one fits (see
// above), left as they come; throws std::bad_alloc when the memory is not there.
pictureBytes borrowPictureBytes(std::size_t count);
// Frees the spare buffers kept (a picture closed, memory wanted elsewhere).
void releaseSparePictureBytes() noexcept;
// The bytes the spare buffers kept hold now.
std::size_t sparePictureBytes() noexcept;
// At most this many spare buffers, holding together at most spareBytesLimit, are kept; beyond
// that the ones given back longest ago are freed.
constexpr std::size_t spareBuffersLimit = 6;
constexpr std::size_t spareBytesLimit = std::size_t{256} << 20;

// The size from which buffers are offered for 2 MB pages (below it they would waste most of one).
constexpr std::size_t largePictureBuffer = std::size_t{4} << 20;
