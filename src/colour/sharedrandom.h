// The program's one pseudo-random generator, shared by the filter engine (fringe jitter) and the
// brush engine (profile speckles). The program itself never seeds it, so it starts from the
// default seed (1) and every draw continues the same sequence; tests and the batch tool seed it
// to make a run reproducible. It is the classic 32-bit linear congruential generator with a
// 15-bit output taken from the upper half of the state, written out here so a seeded sequence is
// the same on every platform and compiler, and so a draw costs only a multiply-add: the fringe
// filters draw once or twice per pixel of 24-megapixel photos.
#pragma once

#include <cstdint>

class sharedRandom {
public:
    static constexpr int maximum = 32767; // largest value of next()

    // The one instance of the program.
    static sharedRandom &instance();

    // Restarts the sequence (tests and the batch tool only; the program never calls this).
    void seed(std::uint32_t value) { state = value; }

    // A fresh non-negative integer, 0 .. maximum.
    int next()
    {
        state = state * multiplier + increment;
        return static_cast<int>((state >> 16) & 0x7fffu);
    }

    // A fresh integer taken modulo k: 0 .. k − 1 (k > 0).
    int below(int k) { return next() % k; }

    // A fresh random bit: the low bit of next().
    int bit() { return next() & 1; }

    // count fresh draws taken modulo k, in order: the same values as count calls of below(k).
    // Four interleaved streams (each jumping four steps at a time) keep the multiplies
    // independent of one another.
    template <int k>
    void fillBelow(int *out, int count)
    {
        static_assert(k > 0);
        constexpr std::uint32_t multiplier2 = multiplier * multiplier;
        constexpr std::uint32_t multiplier3 = multiplier2 * multiplier;
        constexpr std::uint32_t multiplier4 = multiplier2 * multiplier2;
        constexpr std::uint32_t increment2 = increment * multiplier + increment;
        constexpr std::uint32_t increment3 = increment2 * multiplier + increment;
        constexpr std::uint32_t increment4 = increment3 * multiplier + increment;
        int i = 0;
        if (count >= 4) {
            std::uint32_t lane[4] = {state * multiplier + increment, state * multiplier2 + increment2,
                                     state * multiplier3 + increment3, state * multiplier4 + increment4};
            for (;;) {
                for (int j = 0; j < 4; ++j)
                    out[i + j] = static_cast<int>((lane[j] >> 16) & 0x7fffu) % k;
                i += 4;
                if (i + 4 > count) break;
                for (std::uint32_t &s : lane) s = s * multiplier4 + increment4;
            }
            state = lane[3];
        }
        for (; i < count; ++i) out[i] = below(k);
    }

private:
    static constexpr std::uint32_t multiplier = 214013u;
    static constexpr std::uint32_t increment = 2531011u;
    std::uint32_t state = 1;
};
