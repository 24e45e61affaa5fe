// The program's one pseudo-random generator, shared by the filter engine (fringe jitter) and the
// brush engine (profile speckles). The program itself never seeds it, so it starts from the
// default seed (1) and every draw continues the same sequence; tests and the batch tool seed it
// to make a run reproducible. It is the classic 32-bit linear congruential generator with a
// 15-bit output taken from the upper half of the state, written out here so a seeded sequence is
// the same on every platform and compiler, and so a draw costs only a multiply-add: the fringe
// filters draw once or twice per pixel of 24-megapixel photos.
#pragma once

#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

class sharedRandom {
public:
    static constexpr int maximum = 32767; // largest value of next()

    // The instance of the calling thread (the program starts its engine runs on one thread); on a
    // thread that holds a privateStream, that stream.
    static sharedRandom &instance();
    // While one lives, instance() on its thread is a private generator starting from the given
    // state: work off the window's thread (the preview on the picture) draws from it and never
    // takes draws from, or races with, the window's sequence.
    class privateStream;

    // Restarts the sequence (tests and the batch tool only; the program never calls this).
    void seed(std::uint32_t value) { state = value; }

    // A fresh non-negative integer, 0 .. maximum.
    int next()
    {
        state = state * multiplier + increment;
        return valueOf(state);
    }

    // A fresh integer taken modulo k: 0 .. k − 1 (k > 0).
    int below(int k) { return next() % k; }

    // Where the sequence stands, for code that takes a long stretch of draws out of order (by
    // leaping to each part of it) and then moves the generator past the whole stretch.
    std::uint32_t position() const { return state; }

    // The map taking a state to the state n draws later: s → s · times + plus (modulo 2^32).
    struct leap {
        std::uint32_t times = 1;
        std::uint32_t plus = 0;
        std::uint32_t from(std::uint32_t s) const { return s * times + plus; }
    };
    static constexpr leap leapOf(std::uint64_t n)
    {
        leap result, step{multiplier, increment};
        for (; n != 0; n >>= 1) {
            if (n & 1) result = {step.times * result.times, step.times * result.plus + step.plus};
            step = {step.times * step.times, step.times * step.plus + step.plus};
        }
        return result;
    }
    // Moves the generator past n draws without taking them.
    void skip(std::uint64_t n) { state = leapOf(n).from(state); }
    // The value a draw returns when it leaves the generator in state s.
    static constexpr int valueOf(std::uint32_t s) { return static_cast<int>((s >> 16) & 0x7fffu); }

    // A draw taken modulo k without dividing: v / k = (v · multiplier) >> (16 + shift) for every
    // 15-bit v, checked here exhaustively (shift −1: no 16-bit multiplier will do).
    struct magic {
        int multiplier = 0;
        int shift = 0;
    };
    static constexpr magic magicFor(int k)
    {
        for (int shift = 0; shift < 16; ++shift) {
            const std::uint32_t m = ((std::uint32_t{1} << (16 + shift)) + static_cast<std::uint32_t>(k) - 1) / k;
            if (m > 0xffffu) break;
            bool exact = true;
            for (std::uint32_t v = 0; v <= static_cast<std::uint32_t>(maximum) && exact; ++v)
                exact = ((v * m) >> (16 + shift)) == v / static_cast<std::uint32_t>(k);
            if (exact) return {static_cast<int>(m), shift};
        }
        return {0, -1};
    }

    // A fresh random bit: the low bit of next().
    int bit() { return next() & 1; }

    // count fresh draws taken modulo k, in order: the same values as count calls of below(k).
    // Eight interleaved streams, each jumping eight steps at a time, keep the multiplies
    // independent of one another (and in vector lanes where the processor has them).
    template <int k>
    void fillBelow(int *out, int count)
    {
        static_assert(k > 0 && k <= maximum);
        int i = 0;
#ifdef __SSE2__
        if (count >= 8) {
            constexpr magic divide = magicFor(k);
            static_assert(divide.shift >= 0, "no 16-bit reciprocal for this k");
            constexpr leap eight = leapOf(8);
            const __m128i step = _mm_set1_epi32(static_cast<int>(eight.times));
            const __m128i offset = _mm_set1_epi32(static_cast<int>(eight.plus));
            auto after = [this](int n) { return static_cast<int>(leapOf(n).from(state)); };
            __m128i low = _mm_setr_epi32(after(1), after(2), after(3), after(4));
            __m128i high = _mm_setr_epi32(after(5), after(6), after(7), after(8));
            const __m128i outputMask = _mm_set1_epi32(0x7fff);
            const __m128i multiplierK = _mm_set1_epi16(static_cast<short>(divide.multiplier));
            const __m128i kLanes = _mm_set1_epi16(static_cast<short>(k));
            const __m128i zero = _mm_setzero_si128();
            for (;;) {
                const __m128i values = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(low, 16), outputMask),
                                                       _mm_and_si128(_mm_srli_epi32(high, 16), outputMask));
                const __m128i quotients = _mm_srli_epi16(_mm_mulhi_epu16(values, multiplierK), divide.shift);
                const __m128i rests = _mm_sub_epi16(values, _mm_mullo_epi16(quotients, kLanes));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi16(rests, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 4), _mm_unpackhi_epi16(rests, zero));
                i += 8;
                if (i + 8 > count) break;
                low = _mm_add_epi32(multiplyLanes(low, step), offset);
                high = _mm_add_epi32(multiplyLanes(high, step), offset);
            }
            state = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(high, 3)));
        }
#endif
        for (; i < count; ++i) out[i] = below(k);
    }

private:
    static constexpr std::uint32_t multiplier = 214013u;
    static constexpr std::uint32_t increment = 2531011u;

#ifdef __SSE2__
    // Lane-wise 32-bit products, low halves.
    static __m128i multiplyLanes(__m128i a, __m128i b)
    {
        const __m128i even = _mm_mul_epu32(a, b);
        const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
        return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                  _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
    }
#endif
    std::uint32_t state = 1;
};

class sharedRandom::privateStream {
public:
    explicit privateStream(std::uint32_t state);
    ~privateStream();
    privateStream(const privateStream &) = delete;
    privateStream &operator=(const privateStream &) = delete;
    sharedRandom &generator() { return own; }

private:
    sharedRandom *previous;
    sharedRandom own;
};
