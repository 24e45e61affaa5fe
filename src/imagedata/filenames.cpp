#include "filenames.h"
#include "imagedata/texts.h"

#include "imageerror.h"

#include <QFile>

#include <dirent.h>

namespace {

// Length of the UTF-8 sequence starting at bytes[i], or 0 when it is not valid UTF-8 (overlong
// forms, surrogates and values above U+10FFFF included).
int sequenceLength(const QByteArray &bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80) return 1;
    int length = 0;
    unsigned minimum = 0, value = 0;
    if ((lead & 0xE0) == 0xC0) { length = 2; value = lead & 0x1F; minimum = 0x80; }
    else if ((lead & 0xF0) == 0xE0) { length = 3; value = lead & 0x0F; minimum = 0x800; }
    else if ((lead & 0xF8) == 0xF0) { length = 4; value = lead & 0x07; minimum = 0x10000; }
    else return 0;
    if (i + length > bytes.size()) return 0;
    for (int k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (at(i + k) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return length;
}

QString escaped(char32_t c)
{
    switch (c) {
    case '\n': return QStringLiteral("\\n");
    case '\t': return QStringLiteral("\\t");
    case '\r': return QStringLiteral("\\r");
    default: break;
    }
    if (c < 0x100) return QStringLiteral("\\x") + QString::number(uint(c), 16).toUpper().rightJustified(2, QLatin1Char('0'));
    return QStringLiteral("\\u") + QString::number(uint(c), 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

bool isControl(char32_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029;
}

} // namespace

QString printableName(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (char32_t c : name.toUcs4()) {
        if (isControl(c))
            out += escaped(c);
        else
            out += QString::fromUcs4(&c, 1);
    }
    return out;
}

QString printableBytes(const QByteArray &bytes)
{
    QString out;
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = sequenceLength(bytes, i);
        if (length == 0) {
            out += escaped(static_cast<unsigned char>(bytes[i]));
            ++i;
        } else {
            out += printableName(QString::fromUtf8(bytes.constData() + i, length));
            i += length;
        }
    }
    return out;
}

QString unrepresentableNameText(const QByteArray &bytes)
{
    return imageTexts::tr("ファイル名 %1 は UTF-8 の文字になっていないため扱えません。名前を変えてから使ってください。")
        .arg(printableBytes(bytes));
}

QString nameFromBytes(const QByteArray &bytes)
{
    const QString name = QFile::decodeName(bytes);
    if (QFile::encodeName(name) != bytes) throw imageError(unrepresentableNameText(bytes));
    return name;
}

void checkNameOnDisk(const QString &name)
{
    if (!name.contains(QChar::ReplacementCharacter)) return;
    const QByteArray native = QFile::encodeName(name);
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? native.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const QByteArray base = native.mid(slash + 1);
    DIR *listing = ::opendir(folder.constData());
    if (!listing) return; // nothing to confuse it with; opening says what is wrong
    QByteArray other;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray bytes(entry->d_name);
        if (bytes != base && QFile::encodeName(QFile::decodeName(bytes)) == base) {
            other = bytes;
            break;
        }
    }
    ::closedir(listing);
    if (!other.isEmpty()) throw imageError(unrepresentableNameText(other));
}
