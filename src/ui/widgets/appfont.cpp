#include "appfont.h"

#include <QApplication>
#include <QFontDatabase>

namespace {
bool hasJapanese(const QString &family)
{
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese);
}
} // namespace

QString japaneseFontFamily()
{
    static const QString chosen = [] {
        const QStringList families = QFontDatabase::families();
        for (const char *preferred : {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "Noto Sans JP"}) {
            const QString name = QString::fromLatin1(preferred);
            if (families.contains(name) && hasJapanese(name)) return name;
        }
        for (const QString &family : families)
            if (hasJapanese(family) && !QFontDatabase::isPrivateFamily(family)) return family;
        return QString();
    }();
    return chosen;
}

QFont formFont(const QString &preferredFamily, int pixelSize)
{
    // The preferred family first when it is installed; glyphs it lacks (the Japanese ones, for a
    // Latin font) come from the Japanese family behind it.
    QFont font = QApplication::font();
    QStringList families;
    if (!preferredFamily.isEmpty() && QFontDatabase::families().contains(preferredFamily))
        families << preferredFamily;
    const QString japanese = japaneseFontFamily();
    if (!japanese.isEmpty() && !families.contains(japanese)) families << japanese;
    if (!families.isEmpty()) font.setFamilies(families);
    font.setPixelSize(pixelSize);
    return font;
}

void installApplicationFont()
{
    QFont font = QApplication::font();
    const QString japanese = japaneseFontFamily();
    if (!japanese.isEmpty()) font.setFamilies({japanese});
    font.setPixelSize(11);
    QApplication::setFont(font);
}
