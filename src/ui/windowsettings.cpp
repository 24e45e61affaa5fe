#include "windowsettings.h"

#include "mainform.h"

#include <QCheckBox>
#include <QSettings>

namespace {
const QString geometryKey = QStringLiteral("mainWindow/geometry");
const QString previewKey = QStringLiteral("mainWindow/previewOnPicture");

// The check box that shows the preview on the picture.
QCheckBox *previewBox(const TmainForm &window)
{
    return window.findChild<QCheckBox *>(QStringLiteral("viewPreviewCheckBox"));
}
} // namespace

void restoreWindowSettings(TmainForm &window)
{
    const QSettings settings(QStringLiteral("Korvia"), QStringLiteral("Korvia"));
    const QByteArray geometry = settings.value(geometryKey).toByteArray();
    // restoreGeometry keeps the window on a screen there is and within its minimum size.
    if (!geometry.isEmpty()) window.restoreGeometry(geometry);
    if (QCheckBox *box = previewBox(window)) box->setChecked(settings.value(previewKey, true).toBool());
}

void saveWindowSettings(const TmainForm &window)
{
    QSettings settings(QStringLiteral("Korvia"), QStringLiteral("Korvia"));
    settings.setValue(geometryKey, window.saveGeometry());
    if (const QCheckBox *box = previewBox(window)) settings.setValue(previewKey, box->isChecked());
    settings.sync();
}
