// Colour planes for the filter tests, and pointing an engine at them.
#pragma once
#include "colour/colorfilter.h"

#include <cstddef>
#include <cstdint>
#include <random>
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

// The same three planes held as an array (0 red, 1 green, 2 blue), for filters that treat the
// channels alike.
struct picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> planes[3];

    picture(int w, int h) : width(w), height(h)
    {
        for (auto &p : planes) p.assign(static_cast<std::size_t>(w) * h, 0);
    }
    std::uint8_t &at(int p, int x, int y) { return planes[p][static_cast<std::size_t>(y) * width + x]; }
    bool operator==(const picture &o) const
    {
        return width == o.width && height == o.height && planes[0] == o.planes[0] &&
               planes[1] == o.planes[1] && planes[2] == o.planes[2];
    }
};

// Noise with many saturated samples, so that every clamp is exercised.
inline picture randomPicture(int w, int h, unsigned seed)
{
    picture pic(w, h);
    std::mt19937 random(seed);
    for (auto &p : pic.planes)
        for (auto &v : p) {
            const unsigned k = random() % 8;
            v = k == 0 ? 0 : k == 1 ? 255 : static_cast<std::uint8_t>(random() % 256);
        }
    return pic;
}

// An engine set to run `code` on the picture's planes.
inline colorFilter engineFor(picture &pic, int code)
{
    colorFilter f;
    f.filterType = code;
    f.width = pic.width;
    f.height = pic.height;
    f.redPlane = pic.planes[0].data();
    f.greenPlane = pic.planes[1].data();
    f.bluePlane = pic.planes[2].data();
    return f;
}
