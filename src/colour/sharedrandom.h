// The program's one pseudo-random generator, shared by the filter engine (fringe jitter) and the
// brush engine (profile speckles). The program itself never seeds it, so it starts from the
// generator's default seed (1) and every draw continues the same sequence; tests seed it to make
// a run reproducible. The generator is the portable minimal-standard one, so a seeded sequence
// is the same on every platform and compiler.
#pragma once

#include <cstdint>
#include <random>

class sharedRandom {
public:
    // The one instance of the program.
    static sharedRandom &instance();

    // Restarts the sequence (tests only; the program never calls this).
    void seed(std::uint32_t value) { engine.seed(value); }

    // A fresh non-negative integer (1 .. 2^31 − 2).
    int next() { return static_cast<int>(engine()); }

    // A fresh integer taken modulo k: 0 .. k − 1 (k > 0).
    int below(int k) { return next() % k; }

    // A fresh random bit: the low bit of next().
    int bit() { return next() & 1; }

private:
    std::minstd_rand engine; // default seed 1
};
