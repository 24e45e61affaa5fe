// Every transform on 1, 2, 3 and 7 worker threads: the bytes (the fourth bytes kept included)
// and the progress reports are those of one thread, on the plain and the vector paths alike.
#include "geometry/prepareshape.h"
#include "geometry/shapeexecute.h"
#include "imagedata/workerpool.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <cstring>
#include <thread>
#include <vector>

namespace {

struct shapeCase {
    std::uint32_t code;
    void (*set)(shapeExecute &);
};

const shapeCase shapeCases[] = {
    {shapeCopy, nullptr},
    {shapeResize, nullptr}, // the destination size below differs from the source's
    {shapeDistort, [](shapeExecute &e) { e.distortion = 17; }},
    {shapeDistort, [](shapeExecute &e) { e.distortion = -23; }},
    {shapeRotateAngle, [](shapeExecute &e) { e.rotateAngle = 3317; }},
    {shapeRotateRight90, nullptr},
    {shapeRotateLeft90, nullptr},
    {shapeRotate180, nullptr},
    {shapeMirrorLeftRight, nullptr},
    {shapeMirrorUpDown, nullptr},
    {shapePerspective, [](shapeExecute &e) { e.perspective = -35; }},
    {shapeTrim, [](shapeExecute &e) { e.trimLeft = 1, e.trimTop = 1, e.trimRight = 150, e.trimBottom = 120; }},
    {shapeSlope, [](shapeExecute &e) { e.slopeBalance = 60; }},
};

QImage noise(int w, int h, quint32 seed)
{
    QImage p(w, h, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, random.generate()); // fourth bytes too
    return p;
}

// Byte for byte, the fourth bytes included (QImage's own comparison leaves them out for RGB32).
bool sameBytes(const QImage &a, const QImage &b)
{
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), static_cast<std::size_t>(a.width()) * 4) != 0) return false;
    return true;
}

struct shapeRun {
    QImage picture;
    std::vector<int> positions;
    bool reportedElsewhere = false;
};

shapeRun runWith(const shapeCase &c, const QImage &source, int threads)
{
    setWorkerThreads(threads);
    prepareShape shaper;
    shaper.engine->shapeType = c.code;
    if (c.set) c.set(*shaper.engine);
    QSize size = shaper.shapedSize(source.width(), source.height());
    if (c.code == shapeResize) size = QSize(source.width() * 3 / 2 + 1, source.height() * 2 / 3 + 1);
    shapeRun out{noise(size.width(), size.height(), 77), {}, false}; // the fourth bytes to keep
    progressIndicator progress;
    const std::thread::id caller = std::this_thread::get_id();
    progress.onPosition = [&](int p) {
        out.positions.push_back(p);
        out.reportedElsewhere = out.reportedElsewhere || std::this_thread::get_id() != caller;
    };
    shaper.engine->progressBar = &progress;
    shaper.engine->executeShape(source, out.picture, 50u | (50u << 8) | (50u << 16));
    setWorkerThreads(0);
    return out;
}

} // namespace

TEST(shapeThreads, everyTransformGivesTheBytesOfOneThread)
{
    const int sizes[][2] = {{1, 1}, {2, 3}, {613, 5}, {211, 157}};
    for (const bool vector : {false, true}) {
        setVectorPaths(vector ? vectorPaths::best : vectorPaths::plain);
        for (const shapeCase &c : shapeCases) {
            for (const auto &size : sizes) {
                const QImage source = noise(size[0], size[1], c.code * 7 + static_cast<quint32>(size[0]));
                const shapeRun one = runWith(c, source, 1);
                for (const int threads : {2, 3, 7}) {
                    const shapeRun many = runWith(c, source, threads);
                    const auto where = testing::Message() << "code " << c.code << ", " << size[0] << " x " << size[1]
                                                          << ", " << threads << " threads, vector " << vector;
                    EXPECT_TRUE(sameBytes(many.picture, one.picture)) << where;
                    EXPECT_EQ(many.positions, one.positions) << where;
                    EXPECT_FALSE(many.reportedElsewhere) << where;
                }
            }
        }
    }
    setVectorPaths(vectorPaths::best);
}
