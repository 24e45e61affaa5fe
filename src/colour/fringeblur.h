// Fringe blur with 512-bit vectors: the engine's fast path for the blur that grows with the
// distance from the picture's centre. It gives the very bytes of the plain path and leaves the
// shared generator where the plain path would (two draws per pixel, in row order).
#pragma once

#include <cstdint>
#include <functional>

struct fringeBlurJob {
    std::uint8_t *red = nullptr, *green = nullptr, *blue = nullptr; // planes, written in place
    int width = 0, height = 0;
    int size = 0;    // outFocusSize
    int density = 0; // outFocusDensity | 1
    std::function<void(int)> reportRow;
};

// Half the picture's diagonal, as a double: the distance the fringe effects scale against.
double fringeHalfDiagonal(int width, int height);

// The largest box half-size any pixel of the blur can get (the corner's distance plus the
// largest jitter), and never more than the picture's longer side, beyond which a box can grow no
// further. density is already odd.
int fringeBlurReach(int width, int height, int size, int density);

// Runs the blur and returns true, or returns false having changed and drawn nothing when the
// processor lacks the vectors or the picture is too large for them (the caller then runs the
// plain path). Tall pictures are done in parts on the worker threads (workerpool.h), but
// reportRow is only ever called from the calling thread.
bool fringeBlurWide(const fringeBlurJob &job);

// The cores this process may run on (a process held to fewer cores than the machine has, by
// taskset or a container, gets only as many), at most eight: availableCores() as the blur saw
// it before the one pool took over its threads.
int fringeBlurCores();

// Tests only: the width of the column strips the picture is done in (0: the measured choice).
void setFringeBlurStripWidth(int columns);
// Tests and benchmarks only: the number of parts of rows done side by side (0: one per worker
// thread).
void setFringeBlurParts(int parts);
