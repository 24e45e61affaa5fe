// The integer weight matrices of the kernel filters, built exactly as the filters use them, so
// that tests and korvia-batch (which hands them to libvips for speed comparisons) see the very
// same weights. All matrices are row-major; element [row][column] weighs the neighbour at
// (x + column − centre, y + row − centre).
#pragma once
#include "imagedata/vectorpaths.h"

#include <QString>
#include <vector>

// Soft-focus cone of `softSize`: n = softSize | 1, at least 3; W[i][j] =
// clamp(trunc((c − distance to the centre) / c · 255)), c = (n − 1) / 2. Sets n (0 and an empty
// matrix when softSize < 1, where the filter does nothing).
std::vector<int> softFocusKernel(int softSize, int &n);

// Motion-blur line of half-size `vibrateSize` (m) and direction `vibrateAngle` (degrees 0..180):
// (2m + 1)² weights. The quadrant line is stored with a row length of m and read back with a row
// length of m + 1; the resulting shear is part of the blur's shape. Empty when m < 1.
std::vector<int> motionBlurKernel(int vibrateSize, int vibrateAngle);

// The 3 × 3 relief kernel for `embossAngle` (index angle / 45; indices outside 0..7 use index 0).
const int *embossKernel(int embossAngle);

// Sharpen as one 3 × 3 convolution: new = centre − trunc(L · edgeLevel / 10) with
// L = up + down + left + right − 4 · centre, that is the weights (10 + 4e) at the centre and −e at
// the four direct neighbours over a scale of 10 (the sum of the weights).
std::vector<int> sharpenKernel(int edgeLevel);

// Writes a libvips text matrix: a line "n n scale offset" followed by n rows of n weights.
// The scale is the sum of the weights (1 when that sum is not positive) and the offset 0. The file
// is replaced only once it is completely written. Returns false when the matrix is not n × n or
// the file cannot be written.
bool writeVipsMatrix(const std::vector<int> &kernel, int n, const QString &path);
