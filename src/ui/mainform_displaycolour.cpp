// Display colours of the window: the main view, the sample view and the slots' thumbnails show the
// current picture converted from its ICC profile to sRGB (displaycolour.h), and the information
// page says which profile that is, or why a profile of the picture is ignored. The bitmaps the
// operations work on stay in the picture's own space.
#include "mainform.h"

#include "imagedata/imagedocument.h"
#include "ui_mainform.h"

#include <QLabel>

namespace {
const char *const profileCaptionName = "colourProfileStaticText";
} // namespace

void TmainForm::setUpDisplayColours()
{
    for (const std::unique_ptr<myEditingElement> &slot : editingList)
        slot->forDisplay = [](const imageDocument &document, QImage &thumbnail) {
            toDisplay(displayColoursFor(document.metadata).transform.get(), thumbnail);
        };

    // The profile's line on the information page, under the file name.
    QLabel *fileName = ui->fileNameStaticText;
    QWidget *page = fileName->parentWidget();
    const QRect below = fileName->geometry();
    auto *heading = new QLabel(TmainForm::tr("カラープロファイル　："), page);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setGeometry(4, below.bottom() + 5, 200, 16);
    auto *caption = new QLabel(page);
    caption->setObjectName(QString::fromLatin1(profileCaptionName));
    caption->setWordWrap(true);
    caption->setAlignment(Qt::AlignLeading | Qt::AlignLeft | Qt::AlignTop);
    caption->setGeometry(below.left(), below.bottom() + 23, below.width(), 60);
}

displayColours TmainForm::currentDisplayColours() const
{
    const imageDocument *d = documentAt(currentIndex);
    return d ? displayColoursFor(d->metadata) : displayColours();
}

void TmainForm::showColourProfileInfo()
{
    if (auto *caption = findChild<QLabel *>(QString::fromLatin1(profileCaptionName)))
        caption->setText(profileInfoText(currentDisplayColours()));
}
