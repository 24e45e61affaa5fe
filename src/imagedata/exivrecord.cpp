#include "exivrecord.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations" // Exiv2 0.27 hands out std::auto_ptr
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <QDateTime>

#include <mutex>

namespace {

void setUpExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
#ifdef EXV_HAVE_XMP_TOOLKIT
        // Once, before files are read on several threads (korvia-batch -j): the XMP toolkit's own
        // lazy set-up is not safe to race.
        Exiv2::XmpParser::initialize();
#endif
#ifdef EXV_ENABLE_BMFF
        Exiv2::enableBMFF(true); // CR3
#endif
    });
}

// The main directory's tags that describe the photograph rather than how its pixels are stored.
bool descriptiveImageTag(std::uint16_t tag)
{
    switch (tag) {
    case 0x010E: // ImageDescription
    case 0x010F: // Make
    case 0x0110: // Model
    case 0x0112: // Orientation
    case 0x011A: // XResolution
    case 0x011B: // YResolution
    case 0x0128: // ResolutionUnit
    case 0x0131: // Software
    case 0x0132: // DateTime
    case 0x013B: // Artist
    case 0x013C: // HostComputer
    case 0x8298: // Copyright
    case 0x8769: // the EXIF directory
    case 0x8825: // the GPS directory
        return true;
    default:
        return false;
    }
}

bool cameraTag(const Exiv2::Exifdatum &d)
{
    const std::string group = d.groupName();
    if (group == "Image")
        return descriptiveImageTag(d.tag());
    if (group == "Photo")
        return d.tag() != 0x927C; // the maker note, whose offsets would not survive the move
    return group == "GPSInfo" || group == "Iop";
}

// The tags that describe a JPEG's compressed picture, which a TIFF does not hold (its own
// directory gives its size): the components, the bits a pixel, the pixel sizes, and the
// interoperability directory's rule set for JPEG files.
bool jpegOnlyTag(const Exiv2::Exifdatum &d)
{
    const std::string group = d.groupName();
    if (group == "Photo")
        return d.tag() == 0x9101 || d.tag() == 0x9102 || d.tag() == 0xA002 || d.tag() == 0xA003;
    return group == "Iop";
}

Exiv2::ExifData cameraTags(const Exiv2::ExifData &all)
{
    Exiv2::ExifData kept;
    for (const Exiv2::Exifdatum &d : all)
        if (cameraTag(d))
            kept.add(d);
    return kept;
}

} // namespace

QByteArray cameraRecordOf(const QByteArray &file, QByteArray *xmp)
{
    setUpExiv2();
    try {
        auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(file.constData()), long(file.size()));
        if (!image.get())
            return QByteArray();
        image->readMetadata();
        if (xmp)
            *xmp = QByteArray::fromStdString(image->xmpPacket());
        Exiv2::ExifData kept = cameraTags(image->exifData());
        if (kept.empty())
            return QByteArray();
        // Where the record goes into a JPEG, its main directory says how the chroma is sited;
        // Korvia's JPEG files are centred, as libjpeg writes them.
        if (kept.findKey(Exiv2::ExifKey("Exif.Image.YCbCrPositioning")) == kept.end())
            kept["Exif.Image.YCbCrPositioning"] = std::uint16_t(1);
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, image->byteOrder() == Exiv2::bigEndian ? Exiv2::bigEndian : Exiv2::littleEndian, kept);
        return QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size()));
    } catch (const std::exception &) {
        return QByteArray();
    }
}

QByteArray tiffWithCameraRecord(const QByteArray &tiff, const QByteArray &exifPayload)
{
    setUpExiv2();
    try {
        Exiv2::ExifData record;
        Exiv2::ExifParser::decode(record, reinterpret_cast<const Exiv2::byte *>(exifPayload.constData()),
                                  uint32_t(exifPayload.size()));
        auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(tiff.constData()), long(tiff.size()));
        if (!image.get())
            return tiff;
        image->readMetadata();
        image->writeXmpFromPacket(true); // the packet as it is, not rebuilt
        Exiv2::ExifData &data = image->exifData();
        for (const Exiv2::Exifdatum &d : cameraTags(record))
            if (d.tag() != 0x8769 && d.tag() != 0x8825 && d.tag() != 0xA005 // directory pointers: the writer's own
                && !jpegOnlyTag(d))
                data[d.key()] = d.value();
        image->writeMetadata();
        Exiv2::BasicIo &io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const Exiv2::DataBuf buffer = io.read(long(io.size()));
        return QByteArray(reinterpret_cast<const char *>(buffer.pData_), qsizetype(buffer.size_));
    } catch (const std::exception &) {
        return tiff;
    }
}

QByteArray cameraRecordFrom(const cameraValues &values)
{
    if (values.make.isEmpty() && values.model.isEmpty())
        return QByteArray();
    setUpExiv2();
    try {
        Exiv2::ExifData data;
        data["Exif.Image.Make"] = values.make.toStdString();
        data["Exif.Image.Model"] = values.model.toStdString();
        data["Exif.Image.Orientation"] = std::uint16_t(1);
        if (values.timestamp > 0) {
            const std::string when = QDateTime::fromSecsSinceEpoch(values.timestamp, Qt::UTC)
                                         .toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toStdString();
            data["Exif.Image.DateTime"] = when;
            data["Exif.Photo.DateTimeOriginal"] = when;
        }
        if (values.exposureTime > 0)
            data["Exif.Photo.ExposureTime"] = Exiv2::floatToRationalCast(float(values.exposureTime));
        if (values.fNumber > 0)
            data["Exif.Photo.FNumber"] = Exiv2::floatToRationalCast(float(values.fNumber));
        if (values.iso > 0 && values.iso < 65536)
            data["Exif.Photo.ISOSpeedRatings"] = std::uint16_t(values.iso);
        if (values.focalLength > 0)
            data["Exif.Photo.FocalLength"] = Exiv2::floatToRationalCast(float(values.focalLength));
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
        return QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size()));
    } catch (const std::exception &) {
        return QByteArray();
    }
}
