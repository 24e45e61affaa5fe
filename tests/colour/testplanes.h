// Three colour planes for the filter tests, and pointing an engine at them.
#pragma once
#include "colour/colorfilter.h"

#include <cstdint>
#include <vector>

struct planes {
    int width = 0, height = 0;
    std::vector<std::uint8_t> red, green, blue;

    planes(int w, int h) : width(w), height(h), red(w * h), green(w * h), blue(w * h) {}
    int index(int x, int y) const { return y * width + x; }
    bool operator==(const planes &other) const = default;
};

// Gives the engine the planes' size and addresses; the planes must outlive the run.
inline void attachPlanes(colorFilter &filter, planes &p)
{
    filter.width = p.width;
    filter.height = p.height;
    filter.redPlane = p.red.data();
    filter.greenPlane = p.green.data();
    filter.bluePlane = p.blue.data();
}
