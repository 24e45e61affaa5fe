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

TEST(PictureMemory, ImpossibleSizesFailWithoutThrowingOrGivingAShortBuffer)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer stops the program on sizes beyond its limit";
#endif
    EXPECT_EQ(allocatePictureBytes(~std::size_t{0} - 1000), nullptr);
    EXPECT_THROW(requirePictureBytes(~std::size_t{0} / 2), std::bad_alloc);
}

} // namespace
