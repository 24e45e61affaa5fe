#include "decodedpicture.h"

#include "imageerror.h"
#include "jpegcoding.h"

QImage newDecodedPicture(long long width, long long height, const QString &what)
{
    if (width <= 0 || height <= 0)
        throw imageError(QStringLiteral("%1 の画像の大きさが正しくありません（%2 × %3 画素）。").arg(what).arg(width).arg(height));
    if (width * height > largestPicture)
        throw imageError(tooLargeText(what, width, height));
    QImage picture(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (picture.isNull())
        throw imageError(noMemoryText(what, width, height));
    return picture;
}

void bgraRowOverWhite(std::uint8_t *row, int width)
{
    for (int x = 0; x < width; ++x, row += 4) {
        const std::uint32_t a = row[3];
        if (a != 255) {
            row[0] = overWhite(row[0], a);
            row[1] = overWhite(row[1], a);
            row[2] = overWhite(row[2], a);
            row[3] = 0xFF;
        }
    }
}

QString unreadableText(const QString &what, const char *format, const QString &detail)
{
    return QStringLiteral("%1 を %2 画像として読み込めません: %3").arg(what, QLatin1String(format), detail);
}
