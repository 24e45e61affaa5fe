#include "windowsettings.h"

#include "mainform.h"
#include "ui_mainform.h"

#include <QCheckBox>
#include <QSettings>

namespace {
const QString geometryKey = QStringLiteral("mainWindow/geometry");
const QString previewKey = QStringLiteral("mainWindow/previewOnPicture");
} // namespace

void restoreWindowSettings(TmainForm &window)
{
    const QSettings settings(QStringLiteral("Korvia"), QStringLiteral("Korvia"));
    const QByteArray geometry = settings.value(geometryKey).toByteArray();
    // restoreGeometry keeps the window on a screen there is and within its minimum size.
    if (!geometry.isEmpty()) window.restoreGeometry(geometry);
    window.ui->viewPreviewCheckBox->setChecked(settings.value(previewKey, true).toBool());
}

void saveWindowSettings(const TmainForm &window)
{
    QSettings settings(QStringLiteral("Korvia"), QStringLiteral("Korvia"));
    settings.setValue(geometryKey, window.saveGeometry());
    settings.setValue(previewKey, window.ui->viewPreviewCheckBox->isChecked());
    settings.sync();
}
