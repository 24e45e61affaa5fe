// What travels with a picture besides its pixels, and what the readers refuse: the camera record,
// XMP and colour profile kept through a JPEG save; photos turned upright by their EXIF
// orientation; 16-bit BMP channels widened to full range; a tiny BMP declaring a huge picture.
#include "testfiles.h"
#include "imagedata/exifreader.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/picturemetadata.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <sys/resource.h>

namespace {

void put16(QByteArray &b, int v) { b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); }
void put32(QByteArray &b, quint32 v) { put16(b, int(v & 0xFFFF)); put16(b, int(v >> 16)); }
void entry(QByteArray &b, int tag, int type, quint32 count, quint32 value)
{
    put16(b, tag);
    put16(b, type);
    put32(b, count);
    put32(b, value);
}
quint32 get32(const QByteArray &b, int at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

const QByteArray thumbnail("THUMBNAIL-DATA");

// A little-endian camera record: IFD0 at 8 (Make, Orientation, EXIF pointer; next: IFD1 at 104),
// the EXIF directory at 50 (PixelXDimension, PixelYDimension, ISO 200), the maker at 92, IFD1
// (the thumbnail's offset and length) at 104 and the thumbnail at 134.
QByteArray exifPayload(int orientation, int width, int height)
{
    QByteArray t("II\x2A\x00", 4);
    put32(t, 8);
    put16(t, 3);
    entry(t, 0x010F, 2, 11, 92);
    entry(t, 0x0112, 3, 1, quint32(orientation));
    entry(t, 0x8769, 4, 1, 50);
    put32(t, 104);
    put16(t, 3);
    entry(t, 0xA002, 4, 1, quint32(width));
    entry(t, 0xA003, 3, 1, quint32(height));
    entry(t, 0x8827, 3, 1, 200);
    put32(t, 0);
    t += QByteArray("Korvia Cam\0\0", 12);
    put16(t, 2);
    entry(t, 0x0201, 4, 1, 134);
    entry(t, 0x0202, 4, 1, quint32(thumbnail.size()));
    put32(t, 0);
    t += thumbnail;
    return QByteArray("Exif\0\0", 6) + t;
}

const QByteArray xmpPayload = QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + "<x:xmpmeta xmlns:x='adobe:ns:meta/'>K</x:xmpmeta>";
QByteArray iccPayload()
{
    // A header that holds together (its size, the signature, no tags) around filler.
    QByteArray profile(132, '\x11');
    profile.replace(0, 4, QByteArray("\0\0\0\x84", 4));
    profile.replace(16, 4, "RGB ");
    profile.replace(36, 4, "acsp");
    profile.replace(128, 4, QByteArray(4, '\0'));
    return QByteArray("ICC_PROFILE\0\x01\x01", 14) + profile;
}

QByteArray segment(int marker, const QByteArray &payload)
{
    QByteArray s;
    s.append(char(0xFF)).append(char(marker));
    s.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    return s + payload;
}

// The picture coded by the program itself, with the segments put right after the start marker.
QByteArray jpegWith(const QImage &picture, const QByteArray &segments)
{
    const QByteArray coded = encodeJpeg(picture, 100);
    return coded.left(2) + segments + coded.mid(2);
}

const metadataSegment *find(const pictureMetadata &m, int marker, const char *start)
{
    for (const metadataSegment &s : m.segments)
        if (s.marker == marker && s.payload.startsWith(start))
            return &s;
    return nullptr;
}

// 3 x 2 blocks of 16 pixels in six clearly different colours a b c / d e f.
const QRgb blockColours[6] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                              qRgb(255, 255, 0), qRgb(255, 0, 255), qRgb(0, 255, 255)};
QImage blocks()
{
    QImage p(48, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            p.setPixel(x, y, blockColours[y / 16 * 3 + x / 16]);
    return p;
}

// Which block colour (0..5) a pixel is closest to.
int nearestBlock(QRgb c)
{
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < 6; ++i) {
        const int dr = qRed(c) - qRed(blockColours[i]), dg = qGreen(c) - qGreen(blockColours[i]),
                  db = qBlue(c) - qBlue(blockColours[i]);
        if (dr * dr + dg * dg + db * db < bestDistance) {
            bestDistance = dr * dr + dg * dg + db * db;
            best = i;
        }
    }
    return best;
}

class MetadataTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString at(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
};

} // namespace

TEST_F(MetadataTest, CameraRecordXmpAndProfileSurviveAJpegSaveButNotABmpOne)
{
    // Stored 48 x 32 with orientation 6: shown 32 x 48.
    const QString original = at("camera.jpg");
    ASSERT_TRUE(writeFile(original, jpegWith(blocks(), segment(0xE1, exifPayload(6, 48, 32)) + segment(0xE1, xmpPayload)
                                                           + segment(0xE2, iccPayload()))));
    QImage picture;
    pictureMetadata metadata;
    ASSERT_EQ(loadImageFile(picture, original, &metadata), 1);
    ASSERT_EQ(picture.size(), QSize(32, 48));
    picture = picture.copy(0, 0, 30, 40); // edited: trimmed

    const QString saved = at("saved.jpg");
    saveImageFile(picture, saved, 1, 90, &metadata);
    QImage back;
    pictureMetadata kept;
    ASSERT_EQ(loadImageFile(back, at("saved.jpeg"), &kept), 1);
    EXPECT_EQ(back.size(), QSize(30, 40)); // not turned a second time

    const metadataSegment *exif = find(kept, 0xE1, "Exif");
    ASSERT_NE(exif, nullptr);
    const QByteArray tiff = exif->payload.mid(6);
    EXPECT_EQ(exifOrientation(exif->payload), 1);
    EXPECT_EQ(get32(tiff, 50 + 2 + 8), 30u);               // PixelXDimension
    EXPECT_EQ(get32(tiff, 50 + 2 + 12 + 8) & 0xFFFF, 40u); // PixelYDimension
    EXPECT_EQ(get32(tiff, 8 + 2 + 3 * 12), 0u);            // no IFD1
    EXPECT_EQ(tiff.size(), 104);                           // IFD1 and the thumbnail cut off
    EXPECT_FALSE(readFile(at("saved.jpeg")).contains(thumbnail));
    const metadataSegment *xmp = find(kept, 0xE1, "http://ns.adobe.com/xap/1.0/");
    ASSERT_NE(xmp, nullptr);
    EXPECT_EQ(xmp->payload, xmpPayload);
    const metadataSegment *icc = find(kept, 0xE2, "ICC_PROFILE");
    ASSERT_NE(icc, nullptr);
    EXPECT_EQ(icc->payload, iccPayload());

    // The picture information page reads the same camera values from the saved file.
    exifReader info;
    info.readExif(at("saved.jpeg"));
    EXPECT_EQ(info.makerName, QStringLiteral("Korvia Cam"));
    EXPECT_EQ(info.isoSpeedRatings, QStringLiteral("200"));

    // BMP output carries nothing.
    saveImageFile(picture, at("saved.bmp"), 2, 100, &metadata);
    const QByteArray bmp = readFile(at("saved.BMP"));
    EXPECT_EQ(bmp.size(), 54 + 30 * 40 * 4);
    EXPECT_FALSE(bmp.contains("Exif"));
}

TEST(CameraRecord, AThumbnailAmongKeptValuesIsBlankedWhereItLies)
{
    // IFD0 at 8 (Make: 11 bytes at 72; next: IFD1 at 26), IFD1 at 26 (thumbnail at 56, 20 bytes,
    // so its last four bytes are the maker's first four).
    QByteArray t("II\x2A\x00", 4);
    put32(t, 8);
    put16(t, 1);
    entry(t, 0x010F, 2, 11, 72);
    put32(t, 26);
    put16(t, 2);
    entry(t, 0x0201, 4, 1, 56);
    entry(t, 0x0202, 4, 1, 20);
    put32(t, 0);
    t += QByteArray(16, 'T');
    t += QByteArray("Korvia Cam\0\0", 12);
    ASSERT_EQ(t.size(), 84);
    const QByteArray signature("Exif\0\0", 6);
    const QByteArray out = exifForPicture(signature + t, 10, 10).mid(6);
    ASSERT_EQ(out.size(), t.size());
    EXPECT_EQ(out.left(22), t.left(22));
    EXPECT_EQ(get32(out, 22), 0u); // no second directory
    EXPECT_EQ(out.mid(26, 72 - 26), QByteArray(72 - 26, '\0'));
    EXPECT_EQ(out.mid(72), t.mid(72));

    // A hostile record of thousands of kept and dropped ranges, all overlapping, is done in one
    // sweep (it took minutes byte by byte): every dropped byte outside the kept ones is blank.
    const int n = 2600;
    const qint64 ifd1 = 8 + 2 + 12 * n + 4, valuesAt = ifd1 + 2 + 12 * n + 4;
    QByteArray h("II\x2A\x00", 4);
    put32(h, 8);
    put16(h, n);
    for (int k = 0; k < n; ++k) entry(h, 0x9000 + k % 1000, 1, 8, quint32(valuesAt + k % 8));
    put32(h, quint32(ifd1));
    put16(h, n);
    for (int k = 0; k < n; ++k) entry(h, 0x1000 + k, 1, 60000, 8);
    put32(h, 0);
    h += QByteArray(16, 'V');
    const QByteArray hostile = exifForPicture(signature + h, 10, 10).mid(6);
    ASSERT_EQ(hostile.size(), h.size());
    EXPECT_EQ(hostile.left(int(ifd1) - 4), h.left(int(ifd1) - 4));
    EXPECT_EQ(hostile.mid(int(ifd1), int(valuesAt - ifd1)), QByteArray(int(valuesAt - ifd1), '\0'));
    EXPECT_EQ(hostile.mid(int(valuesAt), 15), h.mid(int(valuesAt), 15));
}

TEST(CameraRecord, TheXmpCopyOfTheOrientationBecomesOne)
{
    const QByteArray packet = QByteArray("http://ns.adobe.com/xap/1.0/\0", 29)
                              + "<rdf:Description tiff:Orientation=\"6\" tiff:OrientationX=\"7\"/>"
                                "<tiff:Orientation>8</tiff:Orientation><x tiff:Orientation='3'/>"
                                "<tiff:Orientation>16</tiff:Orientation>";
    pictureMetadata metadata;
    ASSERT_TRUE(metadata.offer(0xE1, packet));
    const std::vector<metadataSegment> out = metadata.forPicture(4, 3);
    ASSERT_EQ(out.size(), 1u);
    QByteArray expected = packet;
    expected.replace("Orientation=\"6\"", "Orientation=\"1\"").replace(">8<", ">1<").replace("'3'", "'1'");
    EXPECT_EQ(out[0].payload, expected); // the made-up name and the two-digit value stay as they were
}

TEST(CameraRecord, TheXmpCopiesOfThePixelSizesFollowThePicture)
{
    // Saved as 1234 x 56 (an attribute in either quotes or with spaces, an element; the made-up
    // name and the value that is no number stay). The packet's padding takes up the new length.
    const QByteArray padding(20, ' '), end("<?xpacket end='w'?>");
    const struct { int width; QByteArray packet, expected; } cases[] = {
        {1234, "<d exif:PixelXDimension=\"4000\" exif:PixelYDimension='3000'/>",
               "<d exif:PixelXDimension=\"1234\" exif:PixelYDimension='56'/>"},
        {1234, "<exif:PixelXDimension>4000</exif:PixelXDimension><exif:PixelYDimension>3000</exif:PixelYDimension>",
               "<exif:PixelXDimension>1234</exif:PixelXDimension><exif:PixelYDimension>56</exif:PixelYDimension>"},
        {1234, "<d exif:PixelXDimension = \"4000\"\n tiff:ImageWidth=\"4000\" tiff:ImageLength=\"3000\"/>",
               "<d exif:PixelXDimension = \"1234\"\n tiff:ImageWidth=\"1234\" tiff:ImageLength=\"56\"/>"},
        {1234, "<d exif:PixelXDimensionX=\"4000\"/><exif:PixelYDimension>n/a</exif:PixelYDimension>",
               "<d exif:PixelXDimensionX=\"4000\"/><exif:PixelYDimension>n/a</exif:PixelYDimension>"},
        {123456, "<d exif:PixelXDimension=\"4000\"/>" + padding + end, "<d exif:PixelXDimension=\"123456\"/>" + padding.mid(2) + end},
        {7, "<d exif:PixelXDimension=\"4000\"/>" + padding + end, "<d exif:PixelXDimension=\"7\"/>" + padding + "   " + end},
    };
    const QByteArray signature("http://ns.adobe.com/xap/1.0/\0", 29);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.packet.constData());
        pictureMetadata metadata;
        ASSERT_TRUE(metadata.offer(0xE1, signature + c.packet));
        const std::vector<metadataSegment> out = metadata.forPicture(c.width, 56);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].payload.toStdString(), (signature + c.expected).toStdString());
    }
}

TEST(CameraRecord, PixelSizesGivenWithTwoValuesAreSetInTheFirst)
{
    // The EXIF directory at 26 holds PixelXDimension as two SHORTs in the entry (4000, 7) and
    // PixelYDimension as two LONGs at 56 (3000, 9). A width no SHORT holds becomes one LONG.
    QByteArray t("II\x2A\x00", 4);
    put32(t, 8);
    put16(t, 1);
    entry(t, 0x8769, 4, 1, 26);
    put32(t, 0);
    put16(t, 2);
    entry(t, 0xA002, 3, 2, 4000 | 7u << 16);
    entry(t, 0xA003, 4, 2, 56);
    put32(t, 0);
    put32(t, 3000);
    put32(t, 9);
    ASSERT_EQ(t.size(), 64);
    const struct { int width; quint32 type, count, value; } cases[] = {
        {1234, 3, 2, 1234 | 7u << 16},
        {70000, 4, 1, 70000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.width);
        const QByteArray out = exifForPicture(QByteArray("Exif\0\0", 6) + t, c.width, 56).mid(6);
        ASSERT_EQ(out.size(), t.size());
        EXPECT_EQ(get32(out, 28) >> 16, c.type);
        EXPECT_EQ(get32(out, 28 + 4), c.count);
        EXPECT_EQ(get32(out, 28 + 8), c.value);
        EXPECT_EQ(out.mid(40, 12), t.mid(40, 12)); // PixelYDimension's entry
        EXPECT_EQ(get32(out, 56), 56u);
        EXPECT_EQ(get32(out, 60), 9u);
    }
}

// The tags of the little-endian directory at offset, in table order, and the directory a pointer
// among them leads to.
std::vector<int> tagsAt(const QByteArray &t, int offset)
{
    std::vector<int> tags;
    const int count = offset > 0 && offset + 2 <= t.size() ? quint8(t[offset]) | quint8(t[offset + 1]) << 8 : 0;
    for (int k = 0; k < count && offset + 2 + 12 * k + 12 <= t.size(); ++k)
        tags.push_back(quint8(t[offset + 2 + 12 * k]) | quint8(t[offset + 3 + 12 * k]) << 8);
    return tags;
}
int pointedBy(const QByteArray &t, int offset, int tag)
{
    const std::vector<int> tags = tagsAt(t, offset);
    const auto at = std::find(tags.begin(), tags.end(), tag);
    return at == tags.end() ? 0 : int(get32(t, offset + 2 + 12 * int(at - tags.begin()) + 8));
}

TEST(CameraRecord, ABrokenRecordIsBuiltAgainFromWhatCanBeRead)
{
    using testfiles::tiffBuilder;
    // The main directory: Make, Model and the pointers each case gives; the EXIF directory (1):
    // ISO, the interoperability pointer each case gives; the interoperability directory (2).
    const struct {
        const char *what;
        std::function<void(tiffBuilder &)> pointers, exifPointers;
        std::vector<int> mainTags, exifTags;
    } cases[] = {
        {"EXIF pointer back to the main directory", [](tiffBuilder &t) { t.addRawPointer(0x8769, 8); }, {}, {0x010F, 0x0110}, {}},
        {"GPS pointer past the end", [](tiffBuilder &t) { t.addPointer(0x8769, 1); t.addRawPointer(0x8825, 99999); }, {},
         {0x010F, 0x0110, 0x8769}, {0x8827}},
        {"GPS pointer to the EXIF directory", [](tiffBuilder &t) { t.addPointer(0x8769, 1); t.addPointer(0x8825, 1); }, {},
         {0x010F, 0x0110, 0x8769}, {0x8827}},
        {"interoperability pointer to its own directory", [](tiffBuilder &t) { t.addPointer(0x8769, 1); },
         [](tiffBuilder &t) { t.addPointer(0xA005, 1); }, {0x010F, 0x0110, 0x8769}, {0x8827}},
        {"EXIF pointer inside the EXIF directory", [](tiffBuilder &t) { t.addPointer(0x8769, 1); },
         [](tiffBuilder &t) { t.addPointer(0x8769, 0); }, {0x010F, 0x0110, 0x8769}, {0x8827}},
        {"a value past the end, an unknown type", [](tiffBuilder &t) { t.add(0x010E, 2, 500, QByteArray()); t.add(0x0131, 99, 1, "abcd"); }, {},
         {0x010F, 0x0110}, {}},
        {"a pixel size lying in the main directory's table", [](tiffBuilder &t) { t.addPointer(0x8769, 1); },
         [](tiffBuilder &t) { t.addRaw(0xA003, 4, 2, 8); }, {0x010F, 0x0110, 0x8769}, {0x8827, 0xA003}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        tiffBuilder t;
        t.directory();
        t.addText(0x010F, "KorviaCam");
        t.addText(0x0110, "Tester");
        c.pointers(t);
        t.directory();
        t.addShort(0x8827, 200);
        if (c.exifPointers) c.exifPointers(t);
        t.directory();
        t.addText(0x0001, "R98");
        const QByteArray payload = QByteArray("Exif\0\0", 6) + t.bytes();
        ASSERT_TRUE(exifNeedsRepair(payload));
        const QByteArray out = exifForPicture(payload, 10, 10);
        ASSERT_FALSE(out.isEmpty());
        EXPECT_FALSE(exifNeedsRepair(out));
        const QByteArray record = out.mid(6);
        std::vector<int> main = tagsAt(record, 8);
        EXPECT_EQ(main, c.mainTags);
        EXPECT_EQ(tagsAt(record, pointedBy(record, 8, 0x8769)), c.exifTags);
        EXPECT_TRUE(record.contains("KorviaCam") && record.contains("Tester"));
    }
    // A GPS directory without entries after the thumbnail's directory stays, with the record's end.
    tiffBuilder t;
    t.directory();
    t.addText(0x010F, "KorviaCam");
    t.addPointer(0x8825, 2);
    t.nextDirectory(1);
    t.directory();
    t.addDataPointer(0x0201, QByteArray(40, 'T'));
    t.addLong(0x0202, 40);
    t.directory();
    const QByteArray out = exifForPicture(QByteArray("Exif\0\0", 6) + t.bytes(), 10, 10);
    EXPECT_FALSE(exifNeedsRepair(out));
    EXPECT_FALSE(out.contains("TTTT"));
    // A record whose main directory is not there gives nothing to write.
    EXPECT_TRUE(exifForPicture(QByteArray("Exif\0\0II\x2A\0\xFF\0\0\0", 14), 10, 10).isEmpty());
}

TEST_F(MetadataTest, EveryOrientationOpensUpright)
{
    // The six blocks as shown for orientations 1..8 (row by row), from the EXIF standard's
    // description of where the stored top row and left column belong.
    const struct { int orientation, columns; const char *shown; } cases[] = {
        {1, 3, "abcdef"}, {2, 3, "cbafed"}, {3, 3, "fedcba"}, {4, 3, "defabc"},
        {5, 2, "adbecf"}, {6, 2, "daebfc"}, {7, 2, "fcebda"}, {8, 2, "cfbead"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.orientation);
        const QString name = at(QStringLiteral("o%1.jpg").arg(c.orientation));
        ASSERT_TRUE(writeFile(name, jpegWith(blocks(), segment(0xE1, exifPayload(c.orientation, 48, 32)))));
        QImage shown;
        loadImageFile(shown, name);
        const int rows = 6 / c.columns;
        ASSERT_EQ(shown.size(), QSize(16 * c.columns, 16 * rows));
        EXPECT_EQ(pictureFileSize(name), shown.size()); // what korvia-batch info prints
        QString seen;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < c.columns; ++x)
                seen += QChar('a' + nearestBlock(shown.pixel(16 * x + 8, 16 * y + 8)));
        EXPECT_EQ(seen, QString::fromLatin1(c.shown));
    }
}

TEST_F(MetadataTest, SixteenBitChannelsReachFullWhite)
{
    // One white pixel and one mid-grey pixel, 5-6-5 (bit fields) and 5-5-5 (plain 16 bits).
    for (const bool sixFiveSix : {true, false}) {
        QByteArray file("BM");
        put32(file, 14 + 40 + 12 + 4);
        put32(file, 0);
        put32(file, 14 + 40 + 12);
        put32(file, 40);
        put32(file, 2);
        put32(file, 1);
        put16(file, 1);
        put16(file, 16);
        put32(file, sixFiveSix ? 3 : 0);
        for (int i = 0; i < 5; ++i) put32(file, 0);
        if (sixFiveSix) {
            put32(file, 0xF800); put32(file, 0x07E0); put32(file, 0x001F);
        } else {
            file += QByteArray(12, '\0'); // ignored without bit fields
        }
        put16(file, sixFiveSix ? 0xFFFF : 0x7FFF);
        put16(file, sixFiveSix ? (16 << 11 | 32 << 5 | 16) : (16 << 10 | 16 << 5 | 16));
        const QString name = at(QStringLiteral("w%1.bmp").arg(sixFiveSix));
        ASSERT_TRUE(writeFile(name, file));
        QImage p;
        loadImageFile(p, name);
        EXPECT_EQ(p.pixel(0, 0), qRgb(255, 255, 255)) << sixFiveSix;
        // 16 of 31 -> 132 (16 << 3 | 16 >> 2); 32 of 63 -> 130 (32 << 2 | 32 >> 4)
        EXPECT_EQ(p.pixel(1, 0), sixFiveSix ? qRgb(132, 130, 132) : qRgb(132, 132, 132)) << sixFiveSix;
    }
}

TEST_F(MetadataTest, TinyRunLengthFileDeclaringAHugePictureIsRefusedWithoutItsMemory)
{
    // 1082 bytes: headers, a full palette and the codes "end of picture", declaring 16384 x 16384
    // pixels (1 GB as a bitmap). The same with deltas that jump over every row.
    for (const bool deltas : {false, true}) {
        QByteArray codes;
        if (deltas)
            for (int i = 0; i < 66; ++i) codes += QByteArray("\x00\x02\x00\xFF", 4);
        codes += QByteArray("\x00\x01", 2);
        QByteArray file("BM");
        put32(file, quint32(14 + 40 + 1024 + codes.size()));
        put32(file, 0);
        put32(file, 14 + 40 + 1024);
        put32(file, 40);
        put32(file, 16384);
        put32(file, 16384);
        put16(file, 1);
        put16(file, 8);
        put32(file, 1); // RLE8
        for (int i = 0; i < 5; ++i) put32(file, 0);
        file += QByteArray(1024, '\x40');
        file += codes;
        const QString name = at(QStringLiteral("bomb%1.bmp").arg(deltas));
        ASSERT_TRUE(writeFile(name, file));

        rusage before {};
        getrusage(RUSAGE_SELF, &before);
        QImage picture;
        EXPECT_THROW(loadImageFile(picture, name), imageError);
        EXPECT_THROW(pictureFileSize(name), imageError);
        rusage after {};
        getrusage(RUSAGE_SELF, &after);
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kB of peak memory taken";
        EXPECT_TRUE(picture.isNull());
    }
}
