// Metadata that is broken or one too many, from each format a picture opens from: what Korvia writes
// from it, as JPEG, PNG, TIFF and WebP, passes exiftool's validation, keeps what was sound (the
// maker, the whole XMP packet, a sound profile), and the picture says what a save leaves out.
#include "testfiles.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/picturesignature.h"
#include "imagedata/webpcoding.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>

namespace {

using namespace testfiles;

constexpr int W = 24, H = 16;

// A camera record whose EXIF directory is its main one again and whose GPS directory lies past its
// end; otherwise what a JPEG's main directory should hold.
QByteArray loopingExif()
{
    tiffBuilder t;
    t.directory();
    t.addText(0x010F, "KorviaCam");
    t.addRational(0x011A, 72, 1);
    t.addRational(0x011B, 72, 1);
    t.addShort(0x0128, 2);
    t.addShort(0x0213, 1);
    t.addRawPointer(0x8769, 8);
    t.addRawPointer(0x8825, 1u << 20);
    return t.bytes();
}

// The long description every source carries in its XMP, above what one JPEG segment holds.
QByteArray longXmp() { return xmpPacketOf(72000, "Korvia-long-"); }
QString longDescription()
{
    const QByteArray packet = longXmp();
    const qsizetype start = packet.indexOf("Korvia-long-");
    return QString::fromLatin1(packet.mid(start, packet.indexOf("</rdf:li>") - start));
}

// What exiftool says of each file: its tags by name, its warnings and errors (every one of them).
struct exiftoolView {
    QJsonObject tags;
    QStringList problems;
};
std::vector<exiftoolView> exiftoolViews(const QStringList &files)
{
    QProcess exiftool;
    exiftool.start("exiftool", QStringList{"-j", "-a", "-G4", "-validate", "-warning", "-error", "-Make", "-Description", "-DeviceManufacturer"} + files);
    std::vector<exiftoolView> views;
    if (!exiftool.waitForFinished(60000))
        return views;
    for (const QJsonValue &value : QJsonDocument::fromJson(exiftool.readAllStandardOutput()).array()) {
        exiftoolView view;
        const QJsonObject record = value.toObject();
        for (auto it = record.begin(); it != record.end(); ++it) {
            const QString name = it.key().section(QLatin1Char(':'), -1);
            if (name == QLatin1String("Warning") || name == QLatin1String("Error"))
                view.problems << it.value().toString();
            else
                view.tags.insert(name, it.value());
        }
        views.push_back(view);
    }
    return views;
}

QByteArray brokenProfile()
{
    QByteArray p = smallRgbProfile();
    p.replace(0, 4, big32(99999)); // a declared size that is not its length
    return p;
}

QImage grey() { QImage p(W, H, QImage::Format_RGB32); p.fill(qRgb(128, 128, 128)); return p; }

// A JPEG with the looping record, a standard packet whose long description is its extended XMP,
// 2999 more packets and extended XMP of another packet, and 3000 profile chunks numbered 1 of 2.
QByteArray hostileJpeg()
{
    const QByteArray whole = longXmp();
    const qsizetype start = whole.indexOf("<x:xmpmeta"), end = whole.indexOf("</x:xmpmeta>") + 12;
    const QByteArray extension = whole.mid(start, end - start); // without the wrapper
    const QByteArray guid = QCryptographicHash::hash(extension, QCryptographicHash::Md5).toHex().toUpper();
    const QByteArray standard = whole.left(start) + "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                                "<rdf:Description rdf:about=\"\" xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" xmpNote:HasExtendedXMP=\""
                                + guid + "\"/></rdf:RDF></x:xmpmeta>" + whole.mid(end);
    const QByteArray xmpHeader("http://ns.adobe.com/xap/1.0/\0", 29);
    QByteArray segments = jpegSegment(0xE1, QByteArray("Exif\0\0", 6) + loopingExif()) + jpegSegment(0xE1, xmpHeader + standard);
    for (const QByteArray &payload : extendedXmpPayloads(extension, guid))
        segments += jpegSegment(0xE1, payload);
    for (const QByteArray &payload : extendedXmpPayloads("<x:xmpmeta/>", QByteArray(32, 'A')))
        segments += jpegSegment(0xE1, payload);
    for (int k = 0; k < 3000; ++k) {
        segments += jpegSegment(0xE1, xmpHeader + xmpPacketOf(300, "other " + QByteArray::number(k)));
        segments += jpegSegment(0xE2, iccChunkPayload(1, 2, smallRgbProfile()));
    }
    return jpegWithSegments(encodeJpeg(grey(), 90), segments);
}

// A TIFF whose EXIF directory is its main one again, with the long XMP packet and a broken profile.
QByteArray hostileTiff()
{
    tiffBuilder t;
    t.directory();
    t.addLong(256, W);
    t.addLong(257, H);
    t.add(258, 3, 3, little16(8) + little16(8) + little16(8));
    t.addShort(259, 1);
    t.addShort(262, 2);
    t.addText(271, "KorviaCam");
    t.addDataPointer(273, QByteArray(W * H * 3, char(0x80)));
    t.addShort(277, 3);
    t.addLong(278, H);
    t.addLong(279, W * H * 3);
    t.addRational(282, 72, 1);
    t.addRational(283, 72, 1);
    t.addShort(296, 2);
    t.add(700, 1, quint32(longXmp().size()), longXmp());
    t.addRawPointer(34665, 8);
    t.add(34675, 7, quint32(brokenProfile().size()), brokenProfile());
    return t.bytes();
}

struct hostileSource {
    const char *name;                   // the file's name
    std::function<QByteArray()> make;   // its bytes
    std::vector<const char *> noted;    // what the note of the left-out parts names
    bool profileKept;                   // whether a sound profile goes on
};

void PrintTo(const hostileSource &source, std::ostream *out) { *out << source.name; }

class HostileMetadata : public ::testing::TestWithParam<hostileSource> {};

std::string caseName(const ::testing::TestParamInfo<hostileSource> &info)
{
    return QByteArray(info.param.name).replace('.', '_').toStdString();
}

} // namespace

TEST_P(HostileMetadata, WhatIsWrittenPassesValidationAndKeepsWhatWasSound)
{
    const hostileSource &source = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString input = dir.filePath(QLatin1String(source.name));
    ASSERT_TRUE(writeFile(input, source.make()));
    QImage picture;
    pictureMetadata metadata;
    loadImageFile(picture, input, &metadata);
    ASSERT_EQ(picture.size(), QSize(W, H));
    const QString note = metadata.leftOutNote();
    for (const char *part : source.noted)
        EXPECT_TRUE(note.contains(QString::fromUtf8(part))) << part << " not in " << note.toStdString();

    QStringList outputs;
    for (const int type : {jpegPicture, pngPicture, tiffPicture, webpPicture}) {
        outputs << dir.filePath(type == jpegPicture ? QStringLiteral("out.jpg") : QStringLiteral("out") + writtenPictureExtension(type));
        writeImageFile(picture, outputs.back(), type, 100, &metadata);
    }
    // Korvia's TIFF files are compressed with Deflate, which baseline TIFF does not list: the one
    // warning that is not about metadata.
    const std::vector<exiftoolView> views = exiftoolViews(outputs);
    ASSERT_EQ(views.size(), std::size_t(outputs.size()));
    for (const exiftoolView &view : views) {
        SCOPED_TRACE(view.tags.value("SourceFile").toString().toStdString());
        QStringList problems = view.problems;
        problems.removeAll(QStringLiteral("Invalid value for IFD0 tag 0x0103 Compression"));
        EXPECT_EQ(problems.join(" / ").toStdString(), "");
        EXPECT_EQ(view.tags.value("Make").toString(), QStringLiteral("KorviaCam"));
        EXPECT_TRUE(view.tags.value("Description").toString() == longDescription()) << "the long description is not whole";
        EXPECT_EQ(view.tags.value("DeviceManufacturer").toString().contains("KRVA"), source.profileKept);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachFormat, HostileMetadata,
    ::testing::Values(
        hostileSource{"hostile.jpg", hostileJpeg, {"EXIF", "XMP パケット", "ICC"}, false},
        hostileSource{"hostile.png",
                      [] { return pngFile(W, H, pngChunk("eXIf", loopingExif()) + pngXmpChunk(longXmp()) + pngIccChunk(smallRgbProfile())); },
                      {"EXIF"}, true},
        hostileSource{"hostile.webp",
                      [] { return webpWith(encodeWebp(grey(), 100, {}), W, H, brokenProfile(), loopingExif(), longXmp()); },
                      {"EXIF", "ICC"}, false},
        hostileSource{"hostile.tif", hostileTiff, {"ICC"}, false}),
    caseName);
