// One editing slot of the panels (myEditingElement): its caption, size readouts and thumbnail, and
// the document it holds.
#include "fakecontrols.h"
#include "imagedata/imagedocument.h"
#include "ui/panels/myeditingelement.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A caption and a thumbnail that start out filled, so that a slot left empty shows.
fakeText filledCaption()
{
    fakeText t;
    t.text = "ファイル名.jpeg";
    return t;
}

fakePicture filledThumbnail()
{
    fakePicture p(70, 70);
    p.surface.fill(0xFF123456);
    return p;
}

struct slotUnderTest {
    fakeText name = filledCaption(), width = filledCaption(), height = filledCaption();
    fakePicture thumbnail = filledThumbnail();
    myEditingElement element{&name, &width, &height, &thumbnail};
};

const QRgb white = 0xFFFFFFFF;

std::unique_ptr<imageDocument> documentOf(int w, int h, QRgb colour, const QString &name)
{
    auto d = std::make_unique<imageDocument>();
    d->bitmap = QImage(w, h, QImage::Format_RGB32);
    d->bitmap.fill(colour);
    d->name = name;
    d->path = "/pictures/" + name;
    return d;
}

// The bounding box of the non-white pixels of the thumbnail.
QRect drawnArea(const QImage &canvas)
{
    QRect box;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if ((canvas.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) box |= QRect(x, y, 1, 1);
    return box;
}

class myEditingElementOwnership : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QByteArray oldTmp;
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("TMPDIR", oldTmp); }
};

} // namespace

TEST(myEditingElement, clearingShowsAnEmptyWhiteSlot)
{
    slotUnderTest s;
    s.element.clearElement();
    EXPECT_TRUE(s.element.isEmpty);
    EXPECT_EQ(s.name.text, "");
    EXPECT_EQ(s.width.text, "");
    EXPECT_EQ(s.height.text, "");
    EXPECT_TRUE(drawnArea(s.thumbnail.surface).isEmpty());
    EXPECT_GE(s.thumbnail.changes, 1);
}

TEST(myEditingElement, thumbnailsAreFittedAndCentred)
{
    struct fitCase {
        int w, h;
        QRect expected;
    };
    const fitCase cases[] = {
        {4000, 3000, QRect(0, 8, 70, 53)},
        {3000, 4000, QRect(8, 0, 53, 70)},
        {100, 50, QRect(0, 17, 70, 36)},
        {20, 10, QRect(0, 17, 70, 36)}, // enlarged to fill the slot
    };
    for (const fitCase &c : cases) {
        slotUnderTest s;
        s.element.clearElement();
        s.element.setDocument(documentOf(c.w, c.h, 0xFF204080, "p.bmp"));
        EXPECT_FALSE(s.element.isEmpty);
        EXPECT_EQ(drawnArea(s.thumbnail.surface), c.expected) << c.w << "x" << c.h;
        EXPECT_EQ(s.thumbnail.surface.pixel(c.expected.center()), 0xFF204080u);
        EXPECT_EQ(s.width.text, QString::number(c.w));
        EXPECT_EQ(s.height.text, QString::number(c.h));
        EXPECT_EQ(s.name.text, "p.bmp");
    }
}

TEST(myEditingElement, thumbnailTakesNearestSourcePixels)
{
    slotUnderTest s;
    auto d = documentOf(140, 140, 0xFFFF0000, "halves.bmp");
    for (int y = 0; y < 140; ++y)
        for (int x = 70; x < 140; ++x) d->bitmap.setPixel(x, y, 0xFF0000FF);
    s.element.setDocument(std::move(d));
    // 140 -> 70: thumbnail column j takes source column 2j.
    EXPECT_EQ(s.thumbnail.surface.pixel(34, 10), 0xFFFF0000u);
    EXPECT_EQ(s.thumbnail.surface.pixel(35, 10), 0xFF0000FFu);
    EXPECT_EQ(s.thumbnail.surface.pixel(69, 69), 0xFF0000FFu);
}

TEST(myEditingElement, aPictureWithoutPixelsShowsWhite)
{
    slotUnderTest s;
    auto d = std::make_unique<imageDocument>();
    d->name = "x.dat";
    s.element.setDocument(std::move(d));
    EXPECT_FALSE(s.element.isEmpty);
    EXPECT_TRUE(drawnArea(s.thumbnail.surface).isEmpty());
    EXPECT_EQ(s.name.text, "x.dat");
    EXPECT_EQ(s.width.text, "0");
    EXPECT_EQ(s.height.text, "0");
    s.element.clearElement();
    EXPECT_TRUE(s.element.isEmpty);
}

TEST(myEditingElement, refreshFollowsTheChangedPicture)
{
    slotUnderTest s;
    s.element.setDocument(documentOf(100, 50, 0xFF00FF00, "a.bmp"));
    s.element.document->bitmap = QImage(50, 100, QImage::Format_RGB32);
    s.element.document->bitmap.fill(0xFF000000);
    s.element.refreshElement();
    EXPECT_EQ(drawnArea(s.thumbnail.surface), QRect(17, 0, 36, 70));
    EXPECT_EQ(s.width.text, "50");
    EXPECT_EQ(s.height.text, "100");
}

TEST_F(myEditingElementOwnership, clearingDestroysTheDocumentAndItsSnapshots)
{
    slotUnderTest s;
    s.element.setDocument(documentOf(10, 10, 0xFF808080, "a.bmp"));
    s.element.document->takeSnapshot();
    const QString snapshot = s.element.document->snapshotFile(1);
    ASSERT_TRUE(QFile::exists(snapshot));
    s.element.clearElement();
    EXPECT_FALSE(QFile::exists(snapshot));
    EXPECT_EQ(s.element.document, nullptr);
}

TEST_F(myEditingElementOwnership, movingKeepsTheMovedPictureAndDropsTheReplacedOne)
{
    slotUnderTest upper, lower;
    upper.element.setDocument(documentOf(10, 10, 0xFF101010, "closed.bmp"));
    lower.element.setDocument(documentOf(100, 50, 0xFF00FF00, "moved.bmp"));
    upper.element.document->takeSnapshot();
    lower.element.document->takeSnapshot();
    const QString closedSnapshot = upper.element.document->snapshotFile(1);
    const QString movedSnapshot = lower.element.document->snapshotFile(1);
    imageDocument *moved = lower.element.document.get();

    upper.element.moveElement(lower.element);

    EXPECT_FALSE(QFile::exists(closedSnapshot)); // the replaced picture is gone
    EXPECT_TRUE(QFile::exists(movedSnapshot));   // the moved one lives on
    EXPECT_EQ(upper.element.document.get(), moved);
    EXPECT_FALSE(upper.element.isEmpty);
    EXPECT_EQ(upper.name.text, "moved.bmp");
    EXPECT_EQ(upper.width.text, "100");
    EXPECT_EQ(drawnArea(upper.thumbnail.surface), QRect(0, 17, 70, 36));

    EXPECT_TRUE(lower.element.isEmpty);
    EXPECT_EQ(lower.element.document, nullptr);
    EXPECT_EQ(lower.name.text, "");
    EXPECT_TRUE(drawnArea(lower.thumbnail.surface).isEmpty());
}
