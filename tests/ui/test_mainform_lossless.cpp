// Saving in place a JPEG that was only turned or mirrored: the quality window offers keeping the
// original quality, ticked, and the file then holds the opened file's blocks moved, their
// coefficients untouched; after any other change (undone changes aside) or with a side off the
// block grid it says why not and the picture is encoded at the chosen quality.
#include "test_mainform_support.h"

#include "ui/jpegqualitywindow.h"

#include <QCheckBox>
#include <QSpinBox>

using namespace testing_support;

namespace {
QImage texture(int w, int h)
{
    QImage p(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, qRgb((x * 37 + y * 11) & 255, (x * 5 + y * 29) & 255, (x * y) & 255));
    return p;
}

// The coefficient (u across, v down) of a block moved by a whole-block turn or mirror, from the
// block it comes from.
int movedCoefficient(pixelTurn turn, const short *from, int u, int v)
{
    const int signU = u % 2 ? -1 : 1, signV = v % 2 ? -1 : 1;
    switch (turn) {
    case pixelTurn::mirrorLeftRight: return signU * from[v * 8 + u];
    case pixelTurn::turnRight: return signU * from[u * 8 + v];
    case pixelTurn::turnLeft: return signV * from[u * 8 + v];
    default: return from[v * 8 + u];
    }
}

// Whether `saved` holds the blocks of `opened` from block `first` on (a trim on the grid of 4:4:4
// blocks), moved by the turn, every coefficient as it was.
bool blocksMoved(const jpegBlocks &opened, const jpegBlocks &saved, pixelTurn turn, QPoint first)
{
    if (opened.components.size() != saved.components.size() || opened.components.empty()) return false;
    for (std::size_t i = 0; i < opened.components.size(); ++i) {
        const jpegBlocks::component &a = opened.components[i], &b = saved.components[i];
        const bool swaps = turnSwapsSides(turn);
        const int keptWide = swaps ? b.high : b.wide, keptHigh = swaps ? b.wide : b.high;
        if (first.x() + keptWide > a.wide || first.y() + keptHigh > a.high) return false;
        for (int by = 0; by < b.high; ++by)
            for (int bx = 0; bx < b.wide; ++bx) {
                int sx = 0, sy = 0;
                turnSource(turn, keptWide, keptHigh, bx, by, sx, sy);
                const short *from = a.block(first.x() + sx, first.y() + sy);
                for (int k = 0; k < 64; ++k)
                    if (b.block(bx, by)[k] != movedCoefficient(turn, from, k % 8, k / 8)) return false;
            }
    }
    return true;
}
} // namespace

class testMainFormLossless : public QObject {
    Q_OBJECT
    scratchFolders scratch;

private slots:
    void initTestCase() { QVERIFY(scratch.start()); }
    void init() { QVERIFY(scratch.enterTest()); }

    void turnsSaveFromTheStoredBlocks_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("subsampled");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("untick");
        QTest::addColumn<int>("turn");       // the move the saved blocks show, -1: encoded again
        QTest::addColumn<QString>("whyNot"); // the start of the window's note
        const QString otherChange = QStringLiteral("回転・反転・トリミング以外の変更");
        const int right = int(pixelTurn::turnRight), left = int(pixelTurn::turnLeft);
        QTest::newRow("4:4:4 turned right") << 64 << false << QStringList{"right"} << false << right << QString();
        QTest::newRow("4:2:0 turned left") << 64 << true << QStringList{"left"} << false << left << QString();
        QTest::newRow("4:2:0 mirrored") << 64 << true << QStringList{"mirror"} << false << int(pixelTurn::mirrorLeftRight)
                                        << QString();
        QTest::newRow("a colour change undone") << 64 << true << QStringList{"right", "sepia", "undo"} << false << right
                                                << QString();
        QTest::newRow("a colour change") << 64 << true << QStringList{"right", "sepia"} << false << -1 << otherChange;
        QTest::newRow("the box unticked") << 64 << false << QStringList{"right"} << true << -1 << QString();
        QTest::newRow("4:4:4 trimmed on the grid, turned") << 64 << false << QStringList{"trim", "right"} << false << right
                                                           << QString();
        QTest::newRow("a side off the grid") << 72 << true << QStringList{"left"} << false << -1
                                             << QStringLiteral("画像の端が 16 × 16 画素のブロック");
    }
    void turnsSaveFromTheStoredBlocks()
    {
        QFETCH(int, width);
        QFETCH(bool, subsampled);
        QFETCH(QStringList, steps);
        QFETCH(bool, untick);
        QFETCH(int, turn);
        QFETCH(QString, whyNot);
        const QString path = scratch.folder + "/photo.jpg";
        const QByteArray opened = cameraJpeg(texture(width, 48), 90, subsampled);
        QVERIFY(writeBytes(path, opened));

        windowUnderTest t;
        t.open(path);
        for (const QString &step : steps) {
            if (step == "sepia") {
                t.selectSepia();
            } else if (step == "trim") { // columns 8..55, rows 16..39: blocks 1..6 across, 2..4 down
                t.selectTabs(transformPage, trimTab);
                t.child<QSpinBox>("rightTrimingUpDown")->setValue(55);
                t.child<QSpinBox>("lowerTrimingUpDown")->setValue(39);
                t.child<QSpinBox>("leftTrimingUpDown")->setValue(8);
                t.child<QSpinBox>("upperTrimingUpDown")->setValue(16);
            } else if (step == "undo") {
                t.click("undoButton");
                continue;
            } else {
                t.selectTabs(transformPage, rotateTab);
                t.probe().rotateAngleGroup()->setItemIndex(step == "right" ? 1 : step == "left" ? 2 : 4); // 右９０度, 左９０度, 左右反転
            }
            t.click("executeButton");
        }

        bool offered = false, enabled = false, ticked = false;
        QString note;
        t.dialogs.modalAnswers.append([&](QDialog *dialog) {
            auto *form = qobject_cast<TjpegQualityForm *>(dialog);
            offered = !form->keepOriginalCheckBox->isHidden();
            enabled = form->keepOriginalCheckBox->isEnabled();
            ticked = form->keepOriginalCheckBox->isChecked();
            note = form->keepOriginalStaticText->isHidden() ? QString() : form->keepOriginalStaticText->text();
            if (untick) form->keepOriginalCheckBox->setChecked(false);
            form->jpegQualitTrackBar->setValue(85);
            return int(QDialog::Accepted);
        });
        t.click("saveSpeedButton");
        QCOMPARE(t.dialogs.count("error"), 0);
        QVERIFY(offered);
        QCOMPARE(enabled, whyNot.isEmpty());
        QCOMPARE(ticked, whyNot.isEmpty());
        QVERIFY2(note.startsWith(whyNot), qPrintable(note));

        const QByteArray saved = readBytes(path);
        if (turn >= 0) {
            const QPoint first = steps.contains("trim") ? QPoint(1, 2) : QPoint(0, 0);
            QVERIFY(blocksMoved(readJpegBlocks(opened), readJpegBlocks(saved), pixelTurn(turn), first));
        } else {
            QCOMPARE(saved, encodeJpeg(t.current()->bitmap, 85));
        }
        // The saved file is where the next chain of moves starts.
        QVERIFY(t.current()->edits.known);
        QCOMPARE(t.current()->edits.shownSize(), t.current()->bitmap.size());
        QCOMPARE(t.current()->storedJpeg, saved);
        QCOMPARE(t.dialogs.unexpected, 0);
    }
};

QTEST_MAIN(testMainFormLossless)
#include "test_mainform_lossless.moc"
