// The per-pixel colour family: RGB shift (1), brightness/chroma/hue (2), colour levels (7) and the
// monochromes (8, 9, 10), each pixel worked from its own colour alone, with AVX2 rows where the
// processor has them.
#include "colorfilter.h"

#include "colorcontrol.h"
#include "imagedata/workerpool.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>
#include <emmintrin.h>
#include <immintrin.h>

// ---------------------------------------------------------------------------------------------
// Vector-unit selection

namespace {
inline int clampChannel(int value)
{
    if (value > 255) value = 255;
    if (value < 0) value = 0;
    return value;
}

// Lookup table of clamp(level + shift) for level 0..255.
std::array<std::uint8_t, 256> shiftTable(int shift)
{
    std::array<std::uint8_t, 256> table{};
    for (int level = 0; level < 256; ++level) table[level] = static_cast<std::uint8_t>(clampChannel(level + shift));
    return table;
}

// plane[i] = clamp(plane[i] + shift) for count bytes: saturating byte adds, which give exactly
// the clamped sum for any shift (a shift beyond ±255 saturates the same way).
void shiftBytes(std::uint8_t *plane, int count, int shift, const std::array<std::uint8_t, 256> &table)
{
    if (shift == 0) return;
    const int magnitude = std::min(shift < 0 ? -shift : shift, 255);
    const __m128i amount = _mm_set1_epi8(static_cast<char>(magnitude));
    int i = 0;
    if (shift > 0) {
        for (; i + 16 <= count; i += 16) {
            __m128i *p = reinterpret_cast<__m128i *>(plane + i);
            _mm_storeu_si128(p, _mm_adds_epu8(_mm_loadu_si128(p), amount));
        }
    } else {
        for (; i + 16 <= count; i += 16) {
            __m128i *p = reinterpret_cast<__m128i *>(plane + i);
            _mm_storeu_si128(p, _mm_subs_epu8(_mm_loadu_si128(p), amount));
        }
    }
    for (; i < count; ++i) plane[i] = table[plane[i]];
}

// Exact luma of rgbToYhc for count pixels into out (0..255).
void lumaRowPlain(const std::uint8_t *r, const std::uint8_t *g, const std::uint8_t *b, std::uint8_t *out, int count)
{
    for (int i = 0; i < count; ++i) {
        const double rd = r[i];
        const double gd = g[i];
        const double bd = b[i];
        out[i] = static_cast<std::uint8_t>(static_cast<int>(0.3 * rd + 0.59 * gd + 0.11 * bd));
    }
}

__attribute__((target("avx2"))) inline __m256d bytesToDoubles(const std::uint8_t *p)
{
    int word;
    std::memcpy(&word, p, 4);
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(word)));
}

__attribute__((target("avx2"))) void lumaRowAvx2(const std::uint8_t *r, const std::uint8_t *g, const std::uint8_t *b,
                                                 std::uint8_t *out, int count)
{
    const __m256d wr = _mm256_set1_pd(0.3);
    const __m256d wg = _mm256_set1_pd(0.59);
    const __m256d wb = _mm256_set1_pd(0.11);
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        __m128i y[4];
        for (int q = 0; q < 4; ++q) {
            const int k = i + 4 * q;
            const __m256d rd = bytesToDoubles(r + k);
            const __m256d gd = bytesToDoubles(g + k);
            const __m256d bd = bytesToDoubles(b + k);
            const __m256d luma = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(wr, rd), _mm256_mul_pd(wg, gd)),
                                               _mm256_mul_pd(wb, bd));
            y[q] = _mm256_cvttpd_epi32(luma);
        }
        const __m128i words = _mm_packs_epi32(y[0], y[1]);
        const __m128i words2 = _mm_packs_epi32(y[2], y[3]);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(words, words2));
    }
    lumaRowPlain(r + i, g + i, b + i, out + i, count - i);
}

// ---------------------------------------------------------------------------------------------
// Per-pixel luma/hue/chroma work of codes 2 and 7. The colour is converted to (Y, hue, chroma),
// changed by a rule, and converted back; every byte equals the plain rgbToYhc → rule →
// yhcToRgb sequence.

struct yhcRule {
    // code 2
    int bright = 0;
    int chroma = 0;
    int hue = 0;
    // code 7: the luma after quantising, by luma; used when quantise is set
    bool quantise = false;
    std::array<int, 256> quantisedLuma{};

    void apply(int &y, int &h, int &c) const
    {
        if (quantise) {
            y = quantisedLuma[static_cast<std::size_t>(y)];
            return;
        }
        y = clampChannel(y + bright);
        c = clampChannel(c + chroma);
        h = h + hue;
        if (h > 360) h = 360;
        if (h < 0) h = 0;
    }
};

void yhcRowPlain(std::uint8_t *r, std::uint8_t *g, std::uint8_t *b, int count, const yhcRule &rule)
{
    for (int i = 0; i < count; ++i) {
        int y, h, c;
        fastRgbToYhc(r[i], g[i], b[i], y, h, c);
        rule.apply(y, h, c);
        int ro, go, bo;
        fastYhcToRgb(y, h, c, ro, go, bo);
        r[i] = static_cast<std::uint8_t>(ro);
        g[i] = static_cast<std::uint8_t>(go);
        b[i] = static_cast<std::uint8_t>(bo);
    }
}

__attribute__((target("avx2"))) inline __m256d absPd(__m256d x)
{
    return _mm256_andnot_pd(_mm256_set1_pd(-0.0), x);
}

__attribute__((target("avx2"))) inline __m256d selectPd(__m256d mask, __m256d whenSet, __m256d otherwise)
{
    return _mm256_blendv_pd(otherwise, whenSet, mask);
}

__attribute__((target("avx2"))) inline __m128i clampEpi32(__m128i x)
{
    return _mm_max_epi32(_mm_min_epi32(x, _mm_set1_epi32(255)), _mm_setzero_si128());
}

// sin and cos of each whole hue 0..360 side by side: the same doubles as the conversion's tables.
const double *sineCosinePairs()
{
    struct pairs {
        alignas(16) double values[2 * 361];
        pairs()
        {
            const double *sines = yhcSineTable();
            const double *cosines = yhcCosineTable();
            for (int h = 0; h <= 360; ++h) {
                values[2 * h] = sines[h];
                values[2 * h + 1] = cosines[h];
            }
        }
    };
    static const pairs table;
    return table.values;
}

// c0 + c1·z
__attribute__((target("avx2"))) inline __m256d pair(double c0, double c1, __m256d z)
{
    return _mm256_add_pd(_mm256_set1_pd(c0), _mm256_mul_pd(_mm256_set1_pd(c1), z));
}

// Clamp to 0.0..255.0 (upper bound first), then truncate.
__attribute__((target("avx2"))) inline __m128i finish(__m256d x)
{
    x = _mm256_min_pd(x, _mm256_set1_pd(255.0));
    x = _mm256_max_pd(x, _mm256_setzero_pd());
    return _mm256_cvttpd_epi32(x);
}

// Four pixels at a time. Hue lanes whose angle lies too close to a whole degree (and chroma
// > 0) take the exact arc tangent, like hueFromAxes.
__attribute__((target("avx2"))) void yhcRowAvx2(std::uint8_t *r, std::uint8_t *g, std::uint8_t *b, int count,
                                                const yhcRule &rule)
{
    using namespace colorcontrol_detail;
    const double *sineCosine = sineCosinePairs();
    const __m256d zero = _mm256_setzero_pd();
    const __m256d one = _mm256_set1_pd(1.0);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d rd = bytesToDoubles(r + i);
        const __m256d gd = bytesToDoubles(g + i);
        const __m256d bd = bytesToDoubles(b + i);
        const __m256d luma = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(0.3), rd),
                                                         _mm256_mul_pd(_mm256_set1_pd(0.59), gd)),
                                           _mm256_mul_pd(_mm256_set1_pd(0.11), bd));
        const __m256d u = _mm256_sub_pd(_mm256_sub_pd(_mm256_mul_pd(_mm256_set1_pd(0.7), rd),
                                                      _mm256_mul_pd(_mm256_set1_pd(0.59), gd)),
                                        _mm256_mul_pd(_mm256_set1_pd(0.11), bd));
        const __m256d v = _mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(_mm256_set1_pd(-0.3), rd),
                                                      _mm256_mul_pd(_mm256_set1_pd(0.59), gd)),
                                        _mm256_mul_pd(_mm256_set1_pd(0.89), bd));
        const __m128i yi = _mm256_cvttpd_epi32(luma);
        const __m128i ci = _mm256_cvttpd_epi32(
            _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(u, u), _mm256_mul_pd(v, v))));

        // Arc tangent by octant reduction and a series (see hueFromAxes).
        const __m256d au = absPd(u);
        const __m256d av = absPd(v);
        const __m256d steep = _mm256_cmp_pd(au, av, _CMP_GT_OQ);
        const __m256d num = _mm256_min_pd(au, av);
        __m256d den = _mm256_max_pd(au, av);
        den = selectPd(_mm256_cmp_pd(den, zero, _CMP_EQ_OQ), one, den); // grey: any finite value
        const __m256d big = _mm256_cmp_pd(num, _mm256_mul_pd(_mm256_set1_pd(0.41421356237309504880), den), _CMP_GT_OQ);
        const __m256d a = _mm256_div_pd(selectPd(big, _mm256_sub_pd(num, den), num),
                                        selectPd(big, _mm256_add_pd(num, den), den));
        const __m256d base = _mm256_and_pd(big, _mm256_set1_pd(0.78539816339744830962));
        const __m256d a2 = _mm256_mul_pd(a, a);
        // The series in a² by Estrin's scheme: a short dependency chain, the same accuracy.
        const __m256d z2 = _mm256_mul_pd(a2, a2);
        const __m256d z4 = _mm256_mul_pd(z2, z2);
        const __m256d z8 = _mm256_mul_pd(z4, z4);
        const __m256d q0 = pair(1.0, -1.0 / 3.0, a2);
        const __m256d q1 = pair(1.0 / 5.0, -1.0 / 7.0, a2);
        const __m256d q2 = pair(1.0 / 9.0, -1.0 / 11.0, a2);
        const __m256d q3 = pair(1.0 / 13.0, -1.0 / 15.0, a2);
        const __m256d q4 = pair(1.0 / 17.0, -1.0 / 19.0, a2);
        const __m256d q5 = pair(1.0 / 21.0, -1.0 / 23.0, a2);
        const __m256d r0 = _mm256_add_pd(q0, _mm256_mul_pd(q1, z2));
        const __m256d r1 = _mm256_add_pd(q2, _mm256_mul_pd(q3, z2));
        const __m256d r2 = _mm256_add_pd(q4, _mm256_mul_pd(q5, z2));
        const __m256d p = _mm256_add_pd(_mm256_add_pd(r0, _mm256_mul_pd(r1, z4)), _mm256_mul_pd(r2, z8));
        __m256d angle = _mm256_add_pd(base, _mm256_mul_pd(a, p));
        angle = selectPd(steep, _mm256_sub_pd(_mm256_set1_pd(1.57079632679489661923), angle), angle);
        angle = selectPd(_mm256_cmp_pd(v, zero, _CMP_LT_OQ), _mm256_sub_pd(_mm256_set1_pd(pi), angle), angle);
        angle = selectPd(_mm256_cmp_pd(u, zero, _CMP_LT_OQ), _mm256_sub_pd(zero, angle), angle);
        const __m256d degrees = _mm256_mul_pd(angle, _mm256_set1_pd(180.0 / pi));
        const __m256d magnitude = absPd(degrees);
        const __m256d fraction =
            _mm256_sub_pd(magnitude, _mm256_round_pd(magnitude, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
        const __m256d nearWhole = _mm256_or_pd(_mm256_cmp_pd(fraction, _mm256_set1_pd(1e-6), _CMP_LT_OQ),
                                               _mm256_cmp_pd(fraction, _mm256_set1_pd(1.0 - 1e-6), _CMP_GT_OQ));
        __m128i hi = _mm256_cvttpd_epi32(degrees);
        hi = _mm_add_epi32(hi, _mm_and_si128(_mm_cmplt_epi32(hi, _mm_setzero_si128()), _mm_set1_epi32(360)));
        const __m128i coloured = _mm_cmpgt_epi32(ci, _mm_setzero_si128());
        hi = _mm_and_si128(hi, coloured);

        alignas(16) int ys[4], hs[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(ys), yi);
        _mm_store_si128(reinterpret_cast<__m128i *>(hs), hi);
        const int checkMask = _mm256_movemask_pd(nearWhole) & _mm_movemask_ps(_mm_castsi128_ps(coloured));
        if (checkMask) {
            alignas(32) double us[4], vs[4];
            _mm256_store_pd(us, u);
            _mm256_store_pd(vs, v);
            for (int q = 0; q < 4; ++q) {
                if (checkMask & (1 << q)) {
                    int h = static_cast<int>(std::atan2(us[q], vs[q]) * degreesPerRadian * invPi);
                    if (h < 0) h += 360;
                    hs[q] = h;
                }
            }
        }

        __m128i y2, h2, c2;
        if (rule.quantise) {
            y2 = _mm_setr_epi32(rule.quantisedLuma[static_cast<std::size_t>(ys[0])],
                                rule.quantisedLuma[static_cast<std::size_t>(ys[1])],
                                rule.quantisedLuma[static_cast<std::size_t>(ys[2])],
                                rule.quantisedLuma[static_cast<std::size_t>(ys[3])]);
            h2 = _mm_load_si128(reinterpret_cast<const __m128i *>(hs));
            c2 = ci;
        } else {
            y2 = clampEpi32(_mm_add_epi32(yi, _mm_set1_epi32(rule.bright)));
            c2 = clampEpi32(_mm_add_epi32(ci, _mm_set1_epi32(rule.chroma)));
            h2 = _mm_add_epi32(_mm_load_si128(reinterpret_cast<const __m128i *>(hs)), _mm_set1_epi32(rule.hue));
            h2 = _mm_max_epi32(_mm_min_epi32(h2, _mm_set1_epi32(360)), _mm_setzero_si128());
        }

        const __m256d yd = _mm256_cvtepi32_pd(y2);
        const __m256d cd = _mm256_cvtepi32_pd(c2);
        // Table look-ups by plain loads (hardware gathers are slow on many processors).
        alignas(16) int hueIndex[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(hueIndex), h2);
        const __m128d t0 = _mm_load_pd(sineCosine + 2 * hueIndex[0]);
        const __m128d t1 = _mm_load_pd(sineCosine + 2 * hueIndex[1]);
        const __m128d t2 = _mm_load_pd(sineCosine + 2 * hueIndex[2]);
        const __m128d t3 = _mm_load_pd(sineCosine + 2 * hueIndex[3]);
        const __m256d even = _mm256_set_m128d(t2, t0); // s0 c0 s2 c2
        const __m256d odd = _mm256_set_m128d(t3, t1);  // s1 c1 s3 c3
        const __m256d s = _mm256_mul_pd(_mm256_unpacklo_pd(even, odd), cd);
        const __m256d c = _mm256_mul_pd(_mm256_unpackhi_pd(even, odd), cd);
        const __m128i ro = finish(_mm256_add_pd(yd, s));
        const __m128i go = finish(_mm256_sub_pd(_mm256_sub_pd(yd, _mm256_mul_pd(_mm256_set1_pd(greenFromRed), s)),
                                                _mm256_mul_pd(_mm256_set1_pd(greenFromBlue), c)));
        const __m128i bo = finish(_mm256_add_pd(yd, c));
        const __m128i shuffle = _mm_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
        const int rw = _mm_cvtsi128_si32(_mm_shuffle_epi8(ro, shuffle));
        const int gw = _mm_cvtsi128_si32(_mm_shuffle_epi8(go, shuffle));
        const int bw = _mm_cvtsi128_si32(_mm_shuffle_epi8(bo, shuffle));
        std::memcpy(r + i, &rw, 4);
        std::memcpy(g + i, &gw, 4);
        std::memcpy(b + i, &bw, 4);
    }
    yhcRowPlain(r + i, g + i, b + i, count - i, rule);
}

void yhcPlanes(colorFilter &f, const yhcRule &rule)
{
    if (!f.redPlane || !f.greenPlane || !f.bluePlane || f.width <= 0) return;
    const bool vector = vectorUnitsInUse().avx2;
    f.forEachRowBand([&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const std::size_t offset = static_cast<std::size_t>(y) * static_cast<std::size_t>(f.width);
            if (vector)
                yhcRowAvx2(f.redPlane + offset, f.greenPlane + offset, f.bluePlane + offset, f.width, rule);
            else
                yhcRowPlain(f.redPlane + offset, f.greenPlane + offset, f.bluePlane + offset, f.width, rule);
        }
    });
}

// Saturating byte shift by a signed amount: clamp(level + shift) for 16 levels at once.
struct byteShift {
    __m128i up;
    __m128i down;
    explicit byteShift(int shift)
        : up(_mm_set1_epi8(static_cast<char>(std::min(std::max(shift, 0), 255)))),
          down(_mm_set1_epi8(static_cast<char>(std::min(std::max(-shift, 0), 255))))
    {
    }
    __m128i apply(__m128i levels) const { return _mm_subs_epu8(_mm_adds_epu8(levels, up), down); }
};

// Grey rows: luma → clamp(luma + brightShift) → each plane clamp(grey + its shift).
__attribute__((target("avx2"))) void monochromeRowAvx2(std::uint8_t *r, std::uint8_t *g, std::uint8_t *b, int count,
                                                       const byteShift &bright, const byteShift &redShift,
                                                       const byteShift &greenShift, const byteShift &blueShift)
{
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        alignas(16) std::uint8_t luma[16];
        lumaRowAvx2(r + i, g + i, b + i, luma, 16);
        const __m128i grey = bright.apply(_mm_load_si128(reinterpret_cast<const __m128i *>(luma)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(r + i), redShift.apply(grey));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(g + i), greenShift.apply(grey));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(b + i), blueShift.apply(grey));
    }
    if (i < count) {
        alignas(16) std::uint8_t rest[16] = {};
        lumaRowPlain(r + i, g + i, b + i, rest, count - i);
        alignas(16) std::uint8_t rs[16], gs[16], bs[16];
        const __m128i grey = bright.apply(_mm_load_si128(reinterpret_cast<const __m128i *>(rest)));
        _mm_store_si128(reinterpret_cast<__m128i *>(rs), redShift.apply(grey));
        _mm_store_si128(reinterpret_cast<__m128i *>(gs), greenShift.apply(grey));
        _mm_store_si128(reinterpret_cast<__m128i *>(bs), blueShift.apply(grey));
        std::memcpy(r + i, rs, static_cast<std::size_t>(count - i));
        std::memcpy(g + i, gs, static_cast<std::size_t>(count - i));
        std::memcpy(b + i, bs, static_cast<std::size_t>(count - i));
    }
}

// Grey picture of luma + brightShift (clamped), each plane then shifted like code 1. With a
// chroma of 0, yhcToRgb gives (Y, Y, Y) exactly (Y + 0.0 is Y), so no trigonometry is needed.
void monochromeRows(colorFilter &f, int brightShift, int redShift, int greenShift, int blueShift)
{
    if (!f.redPlane || !f.greenPlane || !f.bluePlane || f.width <= 0) return;
    const bool vector = vectorUnitsInUse().avx2;
    const auto brightTable = shiftTable(brightShift);
    const auto redTable = shiftTable(redShift);
    const auto greenTable = shiftTable(greenShift);
    const auto blueTable = shiftTable(blueShift);
    const byteShift brightBytes(brightShift), redBytes(redShift), greenBytes(greenShift), blueBytes(blueShift);
    f.forEachRowBand([&](int first, int end) {
        std::vector<std::uint8_t> grey(vector ? 0 : static_cast<std::size_t>(f.width));
        for (int y = first; y < end; ++y) {
            const std::size_t offset = static_cast<std::size_t>(y) * static_cast<std::size_t>(f.width);
            std::uint8_t *r = f.redPlane + offset;
            std::uint8_t *g = f.greenPlane + offset;
            std::uint8_t *b = f.bluePlane + offset;
            if (vector) {
                monochromeRowAvx2(r, g, b, f.width, brightBytes, redBytes, greenBytes, blueBytes);
            } else {
                lumaRowPlain(r, g, b, grey.data(), f.width);
                shiftBytes(grey.data(), f.width, brightShift, brightTable);
                std::memcpy(r, grey.data(), grey.size());
                std::memcpy(g, grey.data(), grey.size());
                std::memcpy(b, grey.data(), grey.size());
                shiftBytes(r, f.width, redShift, redTable);
                shiftBytes(g, f.width, greenShift, greenTable);
                shiftBytes(b, f.width, blueShift, blueTable);
            }
        }
    });
}
} // namespace


// ---------------------------------------------------------------------------------------------
// Code 1: red = clamp(red + `red`), likewise green and blue.
void colorFilter::rgbShift()
{
    if (!redPlane || !greenPlane || !bluePlane || width <= 0) return;
    const auto redTable = shiftTable(red);
    const auto greenTable = shiftTable(green);
    const auto blueTable = shiftTable(blue);
    forEachRowBand([&](int first, int end) {
        const std::size_t offset = static_cast<std::size_t>(first) * static_cast<std::size_t>(width);
        const int count = (end - first) * width;
        shiftBytes(redPlane + offset, count, red, redTable);
        shiftBytes(greenPlane + offset, count, green, greenTable);
        shiftBytes(bluePlane + offset, count, blue, blueTable);
    });
}

// No colour has a chroma above this (pure blue (0, 0, 255) reaches it).
constexpr int maximumChroma = 228;

// Code 2: luma + `bright`, chroma + `chroma` (both clamped), hue + `hue` limited to 0..360.
void colorFilter::brightChromaHue()
{
    yhcRule rule;
    rule.bright = bright;
    rule.chroma = chroma;
    rule.hue = hue;
    if (chroma <= -maximumChroma) {
        // Every chroma becomes 0, so the result is the grey of the adjusted luma.
        monochromeRows(*this, bright, 0, 0, 0);
        return;
    }
    yhcPlanes(*this, rule);
}

// Code 7: the luma is lowered to a multiple of 255 / `colorLevel`; hue and chroma are kept.
void colorFilter::colorLevels()
{
    // A level of 0 or beyond ±255 forms no step (the division would fail): leave the picture.
    if (colorLevel == 0) return;
    const int step = 255 / colorLevel;
    if (step == 0) return;
    yhcRule rule;
    rule.quantise = true;
    for (int level = 0; level < 256; ++level)
        rule.quantisedLuma[static_cast<std::size_t>(level)] = level != 0 ? clampChannel(step * (level / step)) : 0;
    yhcPlanes(*this, rule);
}

// Codes 8, 9, 10: code 2 with bright 0, chroma −255 and hue 0 makes every pixel the grey of its
// luma; sepia and drawing-colour monochrome then shift the planes like code 1.
void colorFilter::monochrome(int code)
{
    bright = 0;
    chroma = -255;
    hue = 0;
    if (code == filterSepia) {
        red = 30;
        green = 10;
        blue = -40;
    } else if (code == filterDrawColorMono) {
        int r, g, b;
        splitColor(drawColor, r, g, b);
        red = r - 128;
        green = g - 128;
        blue = b - 128;
    } else {
        red = green = blue = 0;
    }
    monochromeRows(*this, bright, red, green, blue);
}
