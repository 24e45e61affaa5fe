#include "picturesignature.h"
#include "imagedata/texts.h"

#include "heifcoding.h"
#include "imageerror.h"
#include "jxlcoding.h"
#include "pngcoding.h"
#include "rawcoding.h"
#include "tiffcoding.h"
#include "webpcoding.h"

#include <algorithm>
#include <cstring>

namespace {

struct extensionType {
    const char *extension;
    int type;
};

const extensionType extensions[] = {
    {".png", pngPicture},   {".tif", tiffPicture},  {".tiff", tiffPicture}, {".webp", webpPicture},
    {".heic", heifPicture}, {".heif", heifPicture}, {".avif", heifPicture}, {".dng", rawPicture},
    {".cr2", rawPicture},   {".cr3", rawPicture},   {".nef", rawPicture},   {".arw", rawPicture},
    {".raf", rawPicture},   {".orf", rawPicture},   {".rw2", rawPicture},   {".jxl", jxlPicture},
};

bool startsWith(const QByteArray &bytes, qsizetype at, const char *text, qsizetype length)
{
    return bytes.size() >= at + length && std::memcmp(bytes.constData() + at, text, std::size_t(length)) == 0;
}

// The brands of an ISO media file's leading "ftyp" box: HEIF pictures (HEVC or AV1 coded) or a
// Canon CR3 file.
int isoMediaType(const QByteArray &bytes)
{
    if (!startsWith(bytes, 4, "ftyp", 4) || bytes.size() < 16)
        return unknownPicture;
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype boxSize = qsizetype(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
    const qsizetype end = std::min(bytes.size(), std::max<qsizetype>(boxSize, 16));
    static const char *const heifBrands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm",
                                             "hevs", "mif1", "msf1", "mif2", "avif", "avis"};
    for (qsizetype at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) { // the major brand, then the compatible ones
        if (startsWith(bytes, at, "crx ", 4))
            return rawPicture;
        for (const char *brand : heifBrands)
            if (startsWith(bytes, at, brand, 4))
                return heifPicture;
    }
    return unknownPicture;
}

} // namespace

int extensionPictureType(const QString &extension)
{
    for (const extensionType &e : extensions) {
        const QString lower = QLatin1String(e.extension);
        if (extension == lower || extension == lower.toUpper())
            return e.type;
    }
    return unknownPicture;
}

int contentPictureType(const QByteArray &bytes, int byName)
{
    if (startsWith(bytes, 0, "\xFF\xD8\xFF", 3))
        return jpegPicture;
    if (startsWith(bytes, 0, "BM", 2))
        return bmpPicture;
    if (startsWith(bytes, 0, "\x89PNG\r\n\x1A\n", 8))
        return pngPicture;
    if (startsWith(bytes, 0, "RIFF", 4) && startsWith(bytes, 8, "WEBP", 4))
        return webpPicture;
    if (startsWith(bytes, 0, "II*\0", 4) || startsWith(bytes, 0, "MM\0*", 4) || startsWith(bytes, 0, "II+\0", 4)
        || startsWith(bytes, 0, "MM\0+", 4))
        return byName == rawPicture ? rawPicture : tiffPicture;
    // Olympus, Panasonic and Fujifilm raw files have signatures of their own.
    if (startsWith(bytes, 0, "IIRO", 4) || startsWith(bytes, 0, "IIRS", 4) || startsWith(bytes, 0, "MMOR", 4)
        || startsWith(bytes, 0, "IIU\0", 4) || startsWith(bytes, 0, "FUJIFILMCCD-RAW", 15))
        return rawPicture;
    // JPEG XL: a bare codestream, or the codestream in its own ISO media container.
    if (startsWith(bytes, 0, "\xFF\x0A", 2) || startsWith(bytes, 0, "\0\0\0\x0CJXL \r\n\x87\n", 12))
        return jxlPicture;
    if (const int type = isoMediaType(bytes))
        return type;
    return byName;
}

bool writablePictureType(int type)
{
    return (type >= jpegPicture && type <= webpPicture) || type == jxlPicture;
}

bool qualityPictureType(int type)
{
    return type == jpegPicture || type == webpPicture || type == jxlPicture;
}

QString writtenPictureExtension(int type)
{
    switch (type) {
    case pngPicture: return QStringLiteral(".png");
    case tiffPicture: return QStringLiteral(".tif");
    case webpPicture: return QStringLiteral(".webp");
    case jxlPicture: return QStringLiteral(".jxl");
    default: return QString();
    }
}

int saveFilterOfType(int type)
{
    return type == jxlPicture ? 6 : writablePictureType(type) ? type : jpegPicture;
}

int typeOfSaveFilter(int filter)
{
    return filter == 6 ? jxlPicture : writablePictureType(filter) ? filter : jpegPicture;
}

QImage decodePictureBytes(int type, const QByteArray &bytes, const QString &what, pictureMetadata &metadata,
                          int &orientation)
{
    if (bytes.isEmpty())
        throw imageError(imageTexts::tr("%1 は空のファイルで、画像が入っていません。").arg(what));
    orientation = 1;
    switch (type) {
    case pngPicture: {
        QImage picture = decodePng(bytes, what, &metadata);
        orientation = metadata.orientation();
        return picture;
    }
    case tiffPicture:
        return decodeTiff(bytes, what, &metadata, orientation);
    case webpPicture: {
        QImage picture = decodeWebp(bytes, what, &metadata);
        orientation = metadata.orientation();
        return picture;
    }
    case heifPicture:
        return decodeHeif(bytes, what, &metadata); // the container's turns are applied already
    case rawPicture:
        return decodeRaw(bytes, what, &metadata);
    case jxlPicture:
        return decodeJxl(bytes, what, &metadata, orientation);
    default:
        throw imageError(imageTexts::tr("%1 は開くことのできない形式です。").arg(what));
    }
}

pictureHeader readPictureHeader(int type, const QByteArray &bytes, const QString &what, pictureMetadata &metadata)
{
    if (bytes.isEmpty())
        throw imageError(imageTexts::tr("%1 は空のファイルで、画像が入っていません。").arg(what));
    switch (type) {
    case pngPicture: return readPngHeader(bytes, what, &metadata);
    case tiffPicture: return readTiffHeader(bytes, what, &metadata);
    case webpPicture: return readWebpHeader(bytes, what, &metadata);
    case heifPicture: return readHeifHeader(bytes, what, &metadata);
    case rawPicture: return readRawHeader(bytes, what, &metadata);
    case jxlPicture: {
        pictureHeader header;
        const QSize size = jxlHeaderSize(bytes, what, &metadata, header.orientation);
        header.width = size.width();
        header.height = size.height();
        return header;
    }
    default: throw imageError(imageTexts::tr("%1 は開くことのできない形式です。").arg(what));
    }
}

QByteArray encodePictureBytes(int type, const QImage &picture, int quality, const pictureMetadata *metadata)
{
    const pictureMetadata upright = metadata ? metadata->uprightFor(picture.width(), picture.height()) : pictureMetadata();
    switch (type) {
    case pngPicture: return encodePng(picture, upright);
    case tiffPicture: return encodeTiff(picture, upright);
    case webpPicture: return encodeWebp(picture, quality, upright);
    case jxlPicture: return encodeJxl(picture, quality, upright);
    default: throw imageError(imageTexts::tr("この形式では書き出せません。"));
    }
}

QString openFilterAddition()
{
    return QStringLiteral("|PNG (*.png)|*.png|TIFF (*.tif)|*.tif;*.tiff|WebP (*.webp)|*.webp"
                          "|HEIF/AVIF (*.heic)|*.heic;*.heif;*.avif"
                          "|RAW (*.dng)|*.dng;*.cr2;*.cr3;*.nef;*.arw;*.raf;*.orf;*.rw2|JPEG XL (*.jxl)|*.jxl"
                          "|") + imageTexts::tr("すべての画像") + QStringLiteral("|*.jpeg;*.jpg;*.bmp;*.png;*.tif;*.tiff;*.webp;*.heic;*.heif;*.avif;"
                          "*.dng;*.cr2;*.cr3;*.nef;*.arw;*.raf;*.orf;*.rw2;*.jxl");
}

QString saveFilterAddition()
{
    return QStringLiteral("|PNG (*.png)|*.png|TIFF (*.tif)|*.tif;*.tiff|WebP (*.webp)|*.webp|JPEG XL (*.jxl)|*.jxl");
}
