// The program's one pseudo-random generator, shared by the filter engine (fringe jitter) and the
// brush engine (profile speckles). The program itself never seeds it, so it starts from the
// default seed (1) and every draw continues the same sequence; tests seed it to make a run
// reproducible. The generator is a 64-bit linear congruential state with a permuted 32-bit
// output (PCG-XSH-RR), written out here so a seeded sequence is the same on every platform and
// compiler, and so a draw costs only a multiply-add on the state (the fringe filters draw once
// or twice per pixel of 24-megapixel photos).
#pragma once

#include <cstdint>

class sharedRandom {
public:
    sharedRandom() { seed(1); }

    // The one instance of the program.
    static sharedRandom &instance();

    // Restarts the sequence (tests only; the program never calls this).
    void seed(std::uint32_t value)
    {
        state = 0;
        step();
        state += 0x853c49e6748fea9bULL + value;
        step();
    }

    // A fresh non-negative integer (0 .. 2^31 − 1).
    int next()
    {
        const std::uint64_t old = state;
        step();
        const std::uint32_t shifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
        const std::uint32_t rotation = static_cast<std::uint32_t>(old >> 59u);
        const std::uint32_t output = (shifted >> rotation) | (shifted << ((32u - rotation) & 31u));
        return static_cast<int>(output >> 1);
    }

    // A fresh integer taken modulo k: 0 .. k − 1 (k > 0).
    int below(int k) { return next() % k; }

    // A fresh random bit: the low bit of next().
    int bit() { return next() & 1; }

private:
    void step() { state = state * 6364136223846793005ULL + 1442695040888963407ULL; }

    std::uint64_t state = 0;
};
