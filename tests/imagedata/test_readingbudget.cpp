// Small files that claim huge pictures, one row per format and trick: each is refused before the
// memory its picture would take (or opened within its budget), by the open and by the header
// reader of korvia-batch info and -j alike, with a message that says why.
#include "imagedata/heifsizes.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/picturelimits.h"

#include "testfiles.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <sys/resource.h>

namespace {

constexpr const char *budgetSays = "KORVIA_MEMORY_LIMIT"; // the override is named
constexpr const char *tooShortSays = "too short";

QByteArray xmpKey() { return QByteArray("XML:com.adobe.xmp\0", 18); }

// 40 text chunks of 60 MB each when inflated (the same deflated bytes each time).
QByteArray textChunks(const QByteArray &key)
{
    const QByteArray chunk = pngChunk("zTXt", key + QByteArray(1, '\0') + zlibOfZeros(60 << 20));
    return chunk.repeated(40);
}

// Palette indexes no compressor can shrink much, so a strip cut in half still holds more than
// its picture's bound.
QByteArray noise(int count)
{
    QByteArray b(count, Qt::Uninitialized);
    quint32 state = 12345;
    for (char &c : b)
        c = char((state = state * 1103515245u + 12345u) >> 24);
    return b;
}

// A plain picture of width x height coded by heif-enc (AV1 with avif set).
QByteArray heifEncoded(int width, int height, bool avif)
{
    QTemporaryDir dir;
    QImage tile(width, height, QImage::Format_RGB32);
    tile.fill(0xFF336699);
    const QString png = dir.filePath("tile.png"), heic = dir.filePath("tile.heic");
    QStringList arguments{"-q", "50", png, "-o", heic};
    if (avif)
        arguments.prepend("-A");
    if (!tile.save(png) || QProcess::execute("heif-enc", arguments) != 0)
        return QByteArray();
    return readFile(heic);
}

// The file with its "ispe" property saying width x height, whatever its coded stream holds.
QByteArray declaring(QByteArray file, quint32 width, quint32 height)
{
    const qsizetype at = file.indexOf("ispe");
    if (at > 0)
        file.replace(at + 8, 8, bigEndian(width, 4) + bigEndian(height, 4));
    return file;
}

QByteArray heicGridOfLargeTiles()
{
    // 16384 x 16384 claimed, with bytes enough not to be refused as too short for it.
    return heicGrid(heifEncoded(64, 64, false), 4, 4, 4096) + box("free", QByteArray(20000, '\0'));
}

QByteArray dngDeclaring(quint32 side)
{
    return tiffImage(side, side, 3, 16, 34892, 1, QByteArray(4096, '\x10'), 0, 0,
                       {{271, 2, {'K', 'o', 'r', 0}}, {50706, 1, {1, 4, 0, 0}}});
}

struct hostileFile {
    const char *what;
    const char *name;
    std::function<QByteArray()> bytes;
    const char *says;                  // part of the message of both refusals; nullptr: opens
    bool headerRefuses = true;         // info and -j refuse it too (else only the decode finds it)
    unsigned long long limit = 0;      // the user's limit for the row, 0 for none
};

void PrintTo(const hostileFile &f, std::ostream *os) { *os << f.what; }

const hostileFile hostileFiles[] = {
    {"PNG, 1-bit 20000 x 20000, valid data", "a.png", [] { return pngOfZeros(20000, 20000, 1, 0, false); }, budgetSays},
    {"PNG, palette 9500 x 9500", "a.png", [] { return pngOfZeros(9500, 9500, 8, 3, false); }, budgetSays},
    {"PNG, interlaced, data cut short", "a.png", [] { return pngOfZeros(6000, 6000, 1, 0, true, 1000); }, tooShortSays},
    {"PNG, 40 XMP packets inflating to 60 MB each", "a.png",
     [] { return pngOfZeros(16, 16, 8, 2, false, -1, textChunks(xmpKey())); }, budgetSays, true, 48ULL << 20},
    {"PNG, 40 other text chunks: never inflated", "a.png",
     [] { return pngOfZeros(16, 16, 8, 2, false, -1, textChunks("Comment")); }, nullptr, false, 48ULL << 20},
    {"PNG, 3000 x 3000 over a limit the user set", "a.png", [] { return pngOfZeros(3000, 3000, 8, 0, false); },
     "指定された上限", true, 16ULL << 20},
    {"PNG, 2000 x 2000 within the budget", "a.png", [] { return pngOfZeros(2000, 2000, 1, 0, true); }, nullptr},
    {"TIFF, 16 x 16 in one 16000 x 16000 tile", "a.tif",
     [] { return tiffImage(16, 16, 3, 8, 2, 1, QByteArray(768, '\x20'), 0, 16000); }, budgetSays},
    {"TIFF, 1-bit Deflate 20000 x 20000", "a.tif",
     [] { return tiffImage(20000, 20000, 1, 1, 1, 8, zlibOfZeros(2500LL * 20000)); }, budgetSays},
    {"TIFF, palette 3000 x 3000, strip cut short", "a.tif",
     [] {
         const QByteArray data = zlibOfZeros(3000LL * 3000);
         return tiffImage(3000, 3000, 1, 8, 3, 8, data.left(data.size() / 2), quint32(data.size()), 0,
                            {{320, 3, std::vector<quint32>(768, 0x8000)}});
     },
     "beyond the end of the file"},
    {"TIFF, palette strip whose data stops half way", "a.tif",
     [] {
         const QByteArray data = qCompress(noise(400 * 400)).mid(4); // a zlib stream
         return tiffImage(400, 400, 1, 8, 3, 8, data.left(data.size() / 2), 0, 0,
                            {{320, 3, std::vector<quint32>(768, 0x8000)}});
     },
     "TIFF", false},
    {"TIFF, 4294967295 x 4294967295", "a.tif",
     [] { return tiffImage(4294967295u, 4294967295u, 1, 8, 1, 1, QByteArray(16, '\0')); }, "大きすぎて開けません"},
    {"WebP, lossless 16383 x 16383", "a.webp", [] { return webpLosslessDeclaring(16383, 16383); }, budgetSays},
    {"WebP, 1 x 1 frame on a 16383 x 16383 canvas", "a.webp", [] { return webpAnimationCanvas(16383, 16383); }, budgetSays},
    {"WebP, 1 x 1 frame on a 3000 x 2000 canvas", "a.webp", [] { return webpAnimationCanvas(3000, 2000); }, nullptr},
    {"HEIC, 4 x 4 grid of 4096 x 4096 tiles", "a.heic", heicGridOfLargeTiles, budgetSays},
    {"HEIC coded larger than its container says", "a.heic", [] { return declaring(heifEncoded(128, 96, false), 16, 16); },
     "the coded picture is 128 x 96", false},
    {"AVIF coded larger than its container says", "a.avif", [] { return declaring(heifEncoded(128, 96, true), 16, 16); },
     "the coded picture is 128 x 96", false},
    {"DNG, 20000 x 20000 in 4 kB", "a.dng", [] { return dngDeclaring(20000); }, "RAW"},
};

class ReadingBudget : public ::testing::TestWithParam<hostileFile> {
protected:
    void TearDown() override { setPictureMemoryLimit(0); }
    QTemporaryDir dir;
};

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST_P(ReadingBudget, RefusedBeforeItsMemoryOrOpenedWithinIt)
{
    const hostileFile &f = GetParam();
    const QString name = dir.filePath(QLatin1String(f.name));
    {
        const QByteArray bytes = f.bytes();
        ASSERT_FALSE(bytes.isEmpty());
        ASSERT_LT(bytes.size(), 3 << 20);
        ASSERT_TRUE(writeFile(name, bytes));
    }
    setPictureMemoryLimit(f.limit);
    const long before = peakKilobytes();
    QImage picture;
    try {
        loadImageFile(picture, name);
        EXPECT_EQ(f.says, nullptr) << "opened";
    } catch (const imageError &e) {
        ASSERT_NE(f.says, nullptr) << e.what();
        EXPECT_TRUE(e.message().contains(QString::fromUtf8(f.says))) << e.what();
    }
    try {
        const QSize size = pictureFileSize(name);
        EXPECT_TRUE(f.says == nullptr || !f.headerRefuses) << "the header reader took it";
        if (!f.says) {
            EXPECT_EQ(size, picture.size());
        }
    } catch (const imageError &e) {
        ASSERT_TRUE(f.says && f.headerRefuses) << e.what();
        EXPECT_TRUE(e.message().contains(QString::fromUtf8(f.says))) << e.what();
    }
    EXPECT_LT(peakKilobytes() - before, 64 * 1024) << "kB of peak memory taken";
}

// Each row named by its description in letters, digits and underscores, as test names must be.
INSTANTIATE_TEST_SUITE_P(HostileFiles, ReadingBudget, ::testing::ValuesIn(hostileFiles),
                         [](const ::testing::TestParamInfo<hostileFile> &info) {
                             std::string name;
                             for (const char *c = info.param.what; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                                 else if (!name.empty() && name.back() != '_')
                                     name += '_';
                             while (!name.empty() && name.back() == '_') name.pop_back();
                             return name + "_" + std::to_string(info.index);
                         });

TEST(ReadingBudgetLimit, SizesAsTheOptionTakesThem)
{
    EXPECT_EQ(parseMemorySize("4G"), 4ULL << 30);
    EXPECT_EQ(parseMemorySize(" 1500M "), 1500ULL << 20);
    EXPECT_EQ(parseMemorySize("2gib"), 2ULL << 30);
    EXPECT_EQ(parseMemorySize("800000000"), 800000000ULL);
    for (const char *wrong : {"", "G", "-1G", "0", "4X", "1.5G", "99999999999999999T"})
        EXPECT_EQ(parseMemorySize(wrong), 0u) << wrong;
    // The user's limit replaces the default for every file, up or down.
    EXPECT_EQ(readingMemoryFor(1000), pictureMemoryFloor);
    setPictureMemoryLimit(8ULL << 30);
    EXPECT_EQ(readingMemoryFor(1000), 8ULL << 30);
    setPictureMemoryLimit(0);
    EXPECT_EQ(readingMemoryFor(1ULL << 20), 2048ULL << 20);
}

TEST(ReadingBudgetLimit, HeifStreamsAreCountedAtTheSizeTheyAreCodedAt)
{
    // The coded stream's own parameter sets (HEVC) and sequence header (AV1) give its size, whatever
    // the container says; a grid's tiles their declared size.
    for (const bool avif : {false, true}) {
        SCOPED_TRACE(avif ? "AV1" : "HEVC");
        const QByteArray plain = heifEncoded(128, 96, avif);
        ASSERT_FALSE(plain.isEmpty());
        EXPECT_EQ(largestDeclaredPixels(plain), 128u * 96u);
        EXPECT_EQ(largestDeclaredPixels(declaring(plain, 16, 16)), 128u * 96u);
    }
    EXPECT_EQ(largestDeclaredPixels(heicGridOfLargeTiles()), 16384ull * 16384ull);
    EXPECT_EQ(largestDeclaredPixels(QByteArray("not a picture")), 0u);
}
