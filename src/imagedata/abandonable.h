// Library calls that cannot stop in time (a HEIF picture coded in one piece decodes in one call
// of about half a second on 24 megapixels; a lossless WebP encode reports its progress only
// every second or two) run here on a thread of their own while the calling thread waits.
//
// The work runs under a cancel of its own (cancelScope), which answers the caller's cancel while
// the caller waits. When that cancel is requested, the caller stops waiting and throws
// operationCancelled at once, and the work is given up: it runs on alone, its cancel now
// answering true, so it stops at its next check, and whatever it returns or throws is dropped. The work must therefore own everything it uses (capture it by
// value). Without a cancel in force (korvia-batch, the tests' direct calls) the work simply runs
// on the calling thread.
#pragma once
#include <functional>

void runAbandonable(std::function<void()> work);
// Work given up and still running (at most a few seconds each).
int abandonedWorkRunning();
// Waits until no given-up work runs any more: the program calls it before it ends, so that no
// library is torn down under a thread still inside it.
void waitForAbandonedWork();
