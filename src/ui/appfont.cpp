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
    QFont font = QApplication::font();
    const QString japanese = japaneseFontFamily();
    if (!preferredFamily.isEmpty() && QFontDatabase::families().contains(preferredFamily)
        && (japanese.isEmpty() || hasJapanese(preferredFamily))) {
        font.setFamilies({preferredFamily, japanese});
    } else if (!japanese.isEmpty()) {
        font.setFamilies({japanese});
    }
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
