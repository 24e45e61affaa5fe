// The ICC profile of a JPEG's metadata: its APP2 chunks joined in their sequence order, or nothing
// when they do not make one whole profile.
#include "imagedata/picturemetadata.h"

#include <gtest/gtest.h>

namespace {

metadataSegment chunk(int number, int count, const QByteArray &data)
{
    QByteArray payload("ICC_PROFILE\0", 12);
    payload += char(number);
    payload += char(count);
    return {0xE2, payload + data};
}

} // namespace

TEST(IccProfile, ChunksJoinInSequenceOrderOrGiveNothing)
{
    const metadataSegment exif{0xE1, QByteArray("Exif\0\0II", 8)};
    struct segmentExample {
        const char *what;
        std::vector<metadataSegment> segments;
        QByteArray profile;
    };
    const segmentExample examples[] = {
        {"no segments", {}, {}},
        {"camera record only", {exif}, {}},
        {"one chunk", {exif, chunk(1, 1, "whole")}, "whole"},
        {"three chunks out of order", {chunk(3, 3, "C"), chunk(1, 3, "A"), exif, chunk(2, 3, "B")}, "ABC"},
        {"a chunk missing", {chunk(1, 3, "A"), chunk(3, 3, "C")}, {}},
        {"a chunk twice", {chunk(1, 2, "A"), chunk(1, 2, "A")}, {}},
        {"numbered zero", {chunk(0, 1, "A")}, {}},
        {"numbered past the count", {chunk(1, 2, "A"), chunk(3, 2, "C")}, {}},
        {"counts disagree", {chunk(1, 2, "A"), chunk(2, 3, "B")}, {}},
        {"a count of zero", {chunk(1, 0, "A")}, {}},
        {"a chunk without its numbers", {{0xE2, QByteArray("ICC_PROFILE\0\1", 13)}}, {}},
    };
    for (const segmentExample &e : examples) {
        pictureMetadata metadata;
        metadata.segments = e.segments;
        EXPECT_EQ(metadata.iccProfile(), e.profile) << e.what;
    }
}
