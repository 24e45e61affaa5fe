#include "imagedata/picturememory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace {

TEST(PictureMemory, SmallAndLargeBuffersHoldEveryByteAndCopiesAreExact)
{
    for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{4097}, largePictureBuffer - 1,
                              largePictureBuffer, largePictureBuffer + 12345}) {
        std::vector<std::uint8_t> source(count);
        std::iota(source.begin(), source.end(), std::uint8_t{7});
        const pictureBytes copy = copyPictureBytes(source.data(), count);
        ASSERT_NE(copy, nullptr) << count;
        ASSERT_TRUE(std::equal(source.begin(), source.end(), copy.get())) << count;
        // The last byte is ours to write too.
        if (count > 0) copy[count - 1] = 0xab;
    }
}

#if defined(__linux__)
TEST(PictureMemory, LargeBuffersStartOnTwoMegabyteBoundaries)
{
    // Only a buffer that starts on a 2 MB boundary can be given whole 2 MB pages.
    const pictureBytes bytes = requirePictureBytes(largePictureBuffer + 1);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes.get()) % (std::uintptr_t{2} << 20), 0u);
}
#endif

TEST(PictureMemory, BorrowedBuffersComeBackForRunsOfAboutTheirSize)
{
    releaseSparePictureBytes();
    const std::size_t size = 3 * largePictureBuffer + 5;
    const std::uint8_t *first = nullptr;
    {
        pictureBytes bytes = borrowPictureBytes(size);
        first = bytes.get();
        bytes[size - 1] = 1;
    }
    EXPECT_GE(sparePictureBytes(), size);
    struct want {
        std::size_t count;
        bool same; // gets the buffer given back
    };
    for (const want &w : {want{size, true}, want{size - 1000, true}, want{size * 4, false}, want{largePictureBuffer - 1, false},
                          want{size / 3, false}}) {
        const pictureBytes again = borrowPictureBytes(w.count);
        ASSERT_NE(again, nullptr);
        again[w.count - 1] = 2;
        EXPECT_EQ(again.get() == first, w.same) << w.count;
    }
    // At most spareBuffersLimit are kept, and releasing lets them all go.
    {
        std::vector<pictureBytes> many;
        for (std::size_t i = 0; i < spareBuffersLimit + 3; ++i) many.push_back(borrowPictureBytes(largePictureBuffer));
    }
    // The newest are kept: the 4 MB ones (one of them may be the 6 MB buffer of size / 3).
    EXPECT_GE(sparePictureBytes(), spareBuffersLimit * largePictureBuffer);
    EXPECT_LE(sparePictureBytes(), spareBuffersLimit * largePictureBuffer + (std::size_t{2} << 20));
    releaseSparePictureBytes();
    EXPECT_EQ(sparePictureBytes(), 0u);
}

TEST(PictureMemory, ImpossibleSizesFailWithoutThrowingOrGivingAShortBuffer)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer stops the program on sizes beyond its limit";
#endif
    EXPECT_EQ(allocatePictureBytes(~std::size_t{0} - 1000), nullptr);
    EXPECT_THROW(requirePictureBytes(~std::size_t{0} / 2), std::bad_alloc);
}

} // namespace
