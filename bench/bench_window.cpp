// The window as the user meets it: the real main window, off-screen, with the shared 24-megapixel
// picture open, background work and undo written behind switched on as in the program. Each
// measurement is one click until its result is drawn on the main view (the work done off the
// window's thread, the picture swapped in, the views redrawn and painted): the one-click buttons
// グレースケール, ビビット and ペイント, and 画像処理実行 of a 30° rotation. The undo that puts the picture
// back and the snapshot writes are not timed. Also the time from 中止 to an idle window during a
// ペイント. Report the figures with the core count and the load.
#include "benchphoto.h"
#include "imagedata/imagedocument.h"
#include "imagedata/workerpool.h"
#include "ui/backgroundjob.h"
#include "ui/mainform.h"
#include "ui/windowprobe.h"
#include "ui/widgets/pagecontrol.h"
#include "ui/widgets/radiogroup.h"

#include <benchmark/benchmark.h>

#include <chrono>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSlider>
#include <QTemporaryDir>

namespace {

// One window for every measurement, with the picture open in its first slot.
TmainForm &theWindow()
{
    static TmainForm *window = [] {
        auto *w = new TmainForm;
        w->resize(1400, 900);
        w->show();
        auto d = std::make_unique<imageDocument>(w);
        d->bitmap = benchPhoto::thePhoto().copy();
        d->path = QStringLiteral("/nowhere/photo.bmp");
        d->name = QStringLiteral("photo.bmp");
        d->fileType = 2;
        windowProbe{*w}.showInFirstSlot(std::move(d));
        QCoreApplication::processEvents();
        return w;
    }();
    return *window;
}

void waitWhileBusy(TmainForm &window)
{
    while (windowProbe{window}.busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents(); // the main view's paint
}

void clickToResult(benchmark::State &state, const char *button, bool rotate)
{
    TmainForm &window = theWindow();
    if (rotate) {
        windowProbe{window}.mainPages()->setActivePageIndex(2); // 詳細調整
        windowProbe{window}.operationPages()->setActivePageIndex(3);
        windowProbe{window}.transformPages()->setActivePageIndex(1);
        windowProbe{window}.rotateAngleGroup()->setItemIndex(0); // 角度指定
        window.findChild<QSlider *>(QStringLiteral("rotateTrackBar"))->setValue(30);
    } else {
        windowProbe{window}.mainPages()->setActivePageIndex(0); // 簡単調整
    }
    QCoreApplication::processEvents();
    auto *clicked = window.findChild<QAbstractButton *>(QString::fromLatin1(button));
    imageDocument *d = windowProbe{window}.documentAt(0);
    for (auto _ : state) {
        clicked->click();
        waitWhileBusy(window);
        state.PauseTiming();
        if (d->undoCount != 1) state.SkipWithError("the click left no undo step");
        window.undoButtonClick();
        waitWhileBusy(window); // undo reads its snapshot off the window's thread too
        d->waitForSnapshots();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["threads"] = workerThreads();
}

// 中止 pressed while ペイント is under way (0.4 s after the click): the time until the window is
// idle again with the picture as it was.
void cancelToIdle(benchmark::State &state)
{
    TmainForm &window = theWindow();
    windowProbe{window}.mainPages()->setActivePageIndex(0);
    QCoreApplication::processEvents();
    auto *paint = window.findChild<QAbstractButton *>(QStringLiteral("paintSpeedButton"));
    for (auto _ : state) {
        paint->click();
        QElapsedTimer running;
        running.start();
        while (running.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        if (!windowProbe{window}.busy()) {
            state.SkipWithError("the paint ended before it could be cancelled");
            break;
        }
        const auto start = std::chrono::steady_clock::now();
        windowProbe{window}.cancelButtonClick();
        waitWhileBusy(window);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (windowProbe{window}.documentAt(0)->undoCount != 0) state.SkipWithError("a cancelled paint left an undo step");
    }
}

} // namespace

BENCHMARK(cancelToIdle)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK_CAPTURE(clickToResult, grayscale, "grayScaleSpeedButton", false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(clickToResult, vivid, "clearSpeedButton", false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(clickToResult, paint, "paintSpeedButton", false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(clickToResult, rotate30, "executeButton", true)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir cache; // the snapshots go to a cache of this run, not the user's
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    QApplication app(argc, argv);
    imageDocument::setWriteBehind(true);
    backgroundJob::setEnabled(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete &theWindow();
    return 0;
}
