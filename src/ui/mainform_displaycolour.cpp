// Display colours of the window: the main view, the sample view and the slots' thumbnails show the
// current picture converted from its ICC profile to sRGB (displaycolour.h), and the information
// page says which profile that is, or why a profile of the picture is ignored, and what a save
// leaves out of the picture's records (pictureMetadata::leftOutNote). The bitmaps the operations
// work on stay in the picture's own space.
#include "mainform.h"
#include "mainform_state.h"

#include "imagedata/imagedocument.h"
#include "ui_mainform.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
const char *const profileCaptionName = "colourProfileStaticText";
const char *const leftOutCaptionName = "leftOutMetadataStaticText";
} // namespace

// The slots' thumbnails and the profile's line on 画像情報.
void TmainForm::setUpDisplayColours()
{
    for (const std::unique_ptr<myEditingElement> &slot : state->editingList)
        slot->forDisplay = [](const imageDocument &document, QImage &thumbnail) {
            toDisplay(displayColoursFor(document.metadata).transform.get(), thumbnail);
        };

    // The profile's line on the information page, under the file name, and under it what a save
    // leaves out of the picture's records (shown only when it leaves out something).
    QLabel *fileName = ui->fileNameStaticText;
    QWidget *page = fileName->parentWidget();
    QRect below = fileName->geometry();
    const auto addLine = [&](const QString &title, const char *name, int height) {
        auto *heading = new QLabel(title, page);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        heading->setGeometry(4, below.bottom() + 5, 200, 16);
        auto *caption = new QLabel(page);
        caption->setObjectName(QString::fromLatin1(name));
        caption->setWordWrap(true);
        caption->setAlignment(Qt::AlignLeading | Qt::AlignLeft | Qt::AlignTop);
        caption->setGeometry(below.left(), below.bottom() + 23, below.width(), height);
        below = caption->geometry();
        return heading;
    };
    addLine(TmainForm::tr("カラープロファイル　："), profileCaptionName, 60);
    QLabel *leftOutHeading = addLine(TmainForm::tr("保存しない情報　："), leftOutCaptionName, 60);
    leftOutHeading->setObjectName(QStringLiteral("leftOutMetadataHeading"));
    leftOutHeading->hide();

    // The page now holds more lines than the window leaves it room for: its controls scroll.
    auto *content = new QWidget;
    QRect bounds;
    for (QWidget *control : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const bool hidden = control->isHidden();
        bounds |= control->geometry();
        control->setParent(content);
        control->setHidden(hidden);
    }
    content->setFixedSize(bounds.right() + 1, bounds.bottom() + 5);
    auto *area = new QScrollArea(page);
    area->setObjectName(QStringLiteral("imageInformationScrollArea"));
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setAutoFillBackground(false);
    area->setWidget(content);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);
}

displayColours TmainForm::currentDisplayColours() const
{
    const imageDocument *d = documentAt(state->currentIndex);
    return d ? displayColoursFor(d->metadata) : displayColours();
}

void TmainForm::showColourProfileInfo()
{
    if (auto *caption = findChild<QLabel *>(QString::fromLatin1(profileCaptionName)))
        caption->setText(profileInfoText(currentDisplayColours()));
    showLeftOutMetadata();
}

// On 画像情報: what a save leaves out of the picture's records.
void TmainForm::showLeftOutMetadata()
{
    // What a save of the picture leaves out because it is broken or one too many.
    const imageDocument *d = documentAt(state->currentIndex);
    const QString note = d ? d->metadata.leftOutNote() : QString();
    if (auto *caption = findChild<QLabel *>(QString::fromLatin1(leftOutCaptionName)))
        caption->setText(note);
    if (auto *heading = findChild<QLabel *>(QStringLiteral("leftOutMetadataHeading")))
        heading->setVisible(!note.isEmpty());
}
