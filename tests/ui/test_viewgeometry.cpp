// The main view's zoom and scroll arithmetic and its drawing, without a window.
#include "ui/histogram.h"
#include "ui/viewgeometry.h"

#include <QtTest>

class testViewGeometry : public QObject {
    Q_OBJECT
private slots:
    void zoomStepsAndCaptions()
    {
        struct zoomStep { double from, in, out; };
        const zoomStep steps[] = {{1.0, 1.5, 2.0 / 3}, {2.0 / 3, 1.0, 0.5}, {0.37, 0.5, 1.0 / 3},
                              {1.0 / 16, 1.0 / 12, 1.0 / 16}, {16.0, 16.0, 12.0}, {0.6667, 1.0, 0.5}};
        for (const zoomStep &s : steps) {
            QCOMPARE(zoomStepIn(s.from), s.in);
            QCOMPARE(zoomStepOut(s.from), s.out);
        }
        QCOMPARE(clampZoom(40.0), 16.0);
        QCOMPARE(clampZoom(0.01), 1.0 / 16);
        const std::pair<double, const char *> captions[] = {
            {1.0, "100 %"}, {2.0, "200 %"}, {1.0 / 3, "33.3 %"}, {2.0 / 3, "66.7 %"}, {1.0 / 16, "6.25 %"},
            {1.5, "150 %"}, {16.0, "1600 %"}};
        for (const auto &[zoom, text] : captions) QCOMPARE(zoomCaption(false, zoom), QString::fromUtf8(text));
        QCOMPARE(zoomCaption(true, 2.0), QStringLiteral("全体"));
    }

    void scrollingAndMapping()
    {
        // A 1000-pixel picture at 200 % in a 500-pixel view scrolls 0..1500; a short one is centred.
        QCOMPARE(scrollLimit(1000, 2.0, 500), 1500);
        QCOMPARE(clampOffset(-5, 1000, 2.0, 500), 0);
        QCOMPARE(clampOffset(2000, 1000, 2.0, 500), 1500);
        QCOMPARE(clampOffset(700.4, 1000, 2.0, 500), 700);
        QCOMPARE(clampOffset(300, 100, 1.0, 500), -200);
        QCOMPARE(scaledLength(1001, 1.0 / 3), 334);
        // The view pixel shows floor((v + offset) / scale), also before the picture.
        QCOMPARE(pictureAt(0, 10, 4.0), 2);
        QCOMPARE(pictureAt(-11, 10, 4.0), -1);
        QCOMPARE(pictureAt(5, -200, 1.0), -195);
        QCOMPARE(pictureAt(7, 0, 1.0 / 3), 21);
        // Zooming about a point keeps the picture point under it.
        for (double anchor : {0.0, 123.0, 499.0}) {
            const double before = (anchor + 300) / 2.0;
            const double offset = offsetAfterZoom(300, 2.0, 3.0, anchor);
            QCOMPARE((anchor + offset) / 3.0, before);
        }
        // The view pixels showing a span of picture pixels, and exactly those.
        struct pictureSpan { int first, last, offset; double scale; int viewFirst, viewLast; };
        const pictureSpan spans[] = {{3, 3, 10, 4.0, 2, 5}, {2, 3, 0, 0.5, 1, 1}, {3, 3, 0, 0.5, 0, -1},
                              {0, 9, -5, 1.0, 5, 14}, {1, 1, 0, 1.5, 2, 2}};
        for (const pictureSpan &s : spans) {
            int a, b;
            viewSpanOfPixel(s.first, s.last, s.offset, s.scale, a, b);
            if (s.viewLast >= s.viewFirst) {
                QCOMPARE(a, s.viewFirst);
                QCOMPARE(b, s.viewLast);
            } else {
                QVERIFY(b < a);
            }
        }
    }

    // On a display scaled ×2 the view has twice the pixels each way, and the visible picture
    // pixels at 100 % are as many as the screen's pixels.
    void screenPixelsAndVisiblePart()
    {
        QCOMPARE(viewPixelSize(QSize(770, 654), 1.0), QSize(770, 654));
        QCOMPARE(viewPixelSize(QSize(770, 654), 2.0), QSize(1540, 1308));
        QCOMPARE(viewPixelSize(QSize(771, 3), 1.5), QSize(1157, 5));
        QCOMPARE(visiblePictureRect(1540, 1308, 333, 211, 1.0, 4000, 3000), QRect(333, 211, 1540, 1308));
        QCOMPARE(visiblePictureRect(1540, 1308, 3000, 2000, 1.0, 4000, 3000), QRect(3000, 2000, 1000, 1000));
        QCOMPARE(visiblePictureRect(100, 60, 10, 7, 4.0, 4000, 3000), QRect(2, 1, 26, 16));
        QCOMPARE(visiblePictureRect(500, 500, -200, -100, 1.0, 100, 300), QRect(0, 0, 100, 300));
        QVERIFY(visiblePictureRect(0, 10, 0, 0, 1.0, 100, 100).isEmpty());
    }

    // A quick look below 100 % covers exactly the view pixels that show its picture pixels.
    void quickLookCoversItsArea()
    {
        QImage canvas(40, 30, QImage::Format_RGB32);
        canvas.fill(0xFFFFFFFFu);
        QImage look(7, 3, QImage::Format_RGB32);
        look.fill(0xFF102030u);
        // Picture pixels 10..29 × 6..17 at 50 %, scrolled by (2, 1): view pixels 3..12 × 2..7.
        drawLookOver(look, QRect(10, 6, 20, 12), canvas, 0.5, 2, 1);
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const bool inside = x >= 3 && x <= 12 && y >= 2 && y <= 7;
                QCOMPARE(canvas.pixel(x, y), inside ? 0xFF102030u : 0xFFFFFFFFu);
            }
    }

    void drawingAtAZoom()
    {
        QImage picture(37, 23, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) % 256));
        halfSizes reductions;
        QImage canvas(60, 40, QImage::Format_RGB32);
        const QRgb background = qRgb(255, 255, 255);
        // Above and at 100 %: every view pixel is the picture pixel pictureAt names (or background).
        for (double scale : {1.0, 1.5, 4.0}) {
            for (QPoint offset : {QPoint(0, 0), QPoint(6, 2), QPoint(-9, -4)}) {
                drawZoomed(picture, reductions, canvas, scale, offset.x(), offset.y(), background);
                for (int y = 0; y < canvas.height(); ++y)
                    for (int x = 0; x < canvas.width(); ++x) {
                        const int px = pictureAt(x, offset.x(), scale), py = pictureAt(y, offset.y(), scale);
                        const QRgb want = picture.rect().contains(px, py) ? picture.pixel(px, py) : background;
                        QCOMPARE(canvas.pixel(x, y), want);
                    }
            }
        }
        // Below 50 % the half sizes, brought up to date over a painted area, draw what fresh ones do.
        QImage big(300, 200, QImage::Format_RGB32);
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x) big.setPixel(x, y, qRgb(x % 256, (y * 3) % 256, (x ^ y) % 256));
        halfSizes kept;
        QImage before(60, 40, QImage::Format_RGB32), after(60, 40, QImage::Format_RGB32);
        drawZoomed(big, kept, before, 0.2, 0, 0, background);
        for (int y = 51; y <= 77; ++y)
            for (int x = 103; x <= 140; ++x) big.setPixel(x, y, qRgb(250, 10, 10));
        kept.update(big, 103, 51, 140, 77);
        drawZoomed(big, kept, after, 0.2, 0, 0, background);
        halfSizes fresh;
        QImage expected(60, 40, QImage::Format_RGB32);
        drawZoomed(big, fresh, expected, 0.2, 0, 0, background);
        QVERIFY(after != before);
        QCOMPARE(after, expected);

        // Below 100 %: a plain picture stays plain inside its extent, the rest is background.
        QImage plain(400, 300, QImage::Format_RGB32);
        plain.fill(qRgb(40, 120, 200));
        drawZoomed(plain, reductions, canvas, 0.1, -5, -3, background);
        QCOMPARE(canvas.pixel(10, 10), qRgb(40, 120, 200));
        QCOMPARE(canvas.pixel(5 + 38, 3 + 28), qRgb(40, 120, 200));
        QCOMPARE(canvas.pixel(2, 2), background);
        QCOMPARE(canvas.pixel(5 + 41, 3 + 31), background);
    }

    void histogramCounts()
    {
        QImage picture(4, 3, QImage::Format_RGB32);
        picture.fill(qRgb(10, 20, 30));
        picture.setPixel(1, 1, qRgb(255, 0, 0));
        picture.setPixel(3, 2, qRgb(255, 255, 255));
        const pictureHistogram all = histogramOf(picture);
        QCOMPARE(all.pixels, std::uint64_t(12));
        QCOMPARE(all.counts[1][10], 10u);
        QCOMPARE(all.counts[1][255], 2u);
        QCOMPARE(all.counts[0][(299 * 10 + 587 * 20 + 114 * 30) / 1000], 10u);
        QCOMPARE(all.counts[0][76], 1u);  // red: 0.299 · 255 = 76.2
        QCOMPARE(all.counts[0][255], 1u); // white
        const pictureHistogram part = histogramOf(picture, QRect(1, 1, 10, 10)); // limited to the picture
        QCOMPARE(part.pixels, std::uint64_t(6));
        QCOMPARE(part.counts[3][255], 1u);
        QCOMPARE(part.counts[3][0], 1u);
    }
};

QTEST_GUILESS_MAIN(testViewGeometry)
#include "test_viewgeometry.moc"
