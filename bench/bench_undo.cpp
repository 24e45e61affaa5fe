// How long a commit keeps the user waiting for its undo step on the shared 24-megapixel picture:
// the snapshot written before the change goes on (inPlace) against a shared copy handed to the
// background writer (behind). A filter or brush commit then writes into the picture, which written
// behind makes the picture its own copy again first (write); a transform swaps in the new bitmap
// it made anyway (swap). The window's commit writes its result into a copy made in the buffer of a
// snapshot already written (reuse), not into a fresh one the kernel must first fault in. Every
// commit starts with the writer idle (its wait and the clearing are not timed), as after a user's
// pause.
#include "benchphoto.h"
#include "imagedata/imagedocument.h"
#include "imagedata/snapshotwriter.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

enum class change { write, swap, reuse };

void commitLatency(benchmark::State &state, bool behind, change how)
{
    static const QImage result = benchPhoto::thePhoto().copy(); // a transform's new bitmap
    static QTemporaryDir cache; // the snapshots go to a cache of this run, not the user's
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    imageDocument::setWriteBehind(behind);
    {
        imageDocument d;
        d.bitmap = benchPhoto::thePhoto().copy();
        for (auto _ : state) {
            d.takeSnapshot();
            if (how == change::swap) {
                d.bitmap = result;
            } else {
                if (how == change::reuse) d.bitmap = snapshotWriter::process().recycledCopy(d.bitmap);
                d.bitmap.bits()[0] ^= 1; // the change writes into the picture
            }
            benchmark::DoNotOptimize(d.bitmap.constBits());
            state.PauseTiming();
            d.waitForSnapshots();
            d.clearHistory();
            state.ResumeTiming();
        }
    }
    imageDocument::setWriteBehind(false);
}

} // namespace

BENCHMARK_CAPTURE(commitLatency, inPlaceWrite, false, change::write)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(commitLatency, behindWrite, true, change::write)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(commitLatency, behindReuse, true, change::reuse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(commitLatency, inPlaceSwap, false, change::swap)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(commitLatency, behindSwap, true, change::swap)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
