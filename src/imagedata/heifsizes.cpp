#include "heifsizes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using bytePointer = const unsigned char *;

// width x height, the largest value where the product does not fit.
std::uint64_t product(std::uint64_t width, std::uint64_t height)
{
    std::uint64_t pixels = 0;
    return __builtin_mul_overflow(width, height, &pixels) ? ~std::uint64_t(0) : pixels;
}

std::uint64_t bigEndian(bytePointer p, int count)
{
    std::uint64_t v = 0;
    for (int i = 0; i < count; ++i)
        v = v << 8 | p[i];
    return v;
}

// A range of the file, read from its start; every read past its end gives zeros and marks it.
struct span {
    bytePointer at = nullptr, end = nullptr;
    bool overrun = false;
    std::size_t left() const { return std::size_t(end - at); }
    std::uint64_t take(int count)
    {
        if (count < 0 || std::size_t(count) > left()) {
            overrun = true;
            at = end;
            return 0;
        }
        const std::uint64_t v = bigEndian(at, count);
        at += count;
        return v;
    }
};

// The boxes of a span: type and content, in order.
struct box {
    char type[4];
    span content;
};

std::vector<box> boxesOf(span s)
{
    std::vector<box> found;
    while (s.left() >= 8) {
        bytePointer start = s.at;
        std::uint64_t size = s.take(4);
        box b;
        std::memcpy(b.type, s.at, 4);
        s.at += 4;
        if (size == 1)
            size = s.take(8);
        else if (size == 0)
            size = std::uint64_t(s.end - start);
        const std::uint64_t head = std::uint64_t(s.at - start);
        if (s.overrun || size < head || size > std::uint64_t(s.end - start))
            break;
        b.content = {s.at, start + size};
        found.push_back(b);
        s.at = start + size;
    }
    return found;
}

const box *find(const std::vector<box> &boxes, const char *type)
{
    for (const box &b : boxes)
        if (std::memcmp(b.type, type, 4) == 0)
            return &b;
    return nullptr;
}

// Bits of a coded stream, most significant first; emulation-prevention bytes (00 00 03) of HEVC
// are dropped as they come when `hevc` is set.
struct bitReader {
    bytePointer at, end;
    bool hevc = false;
    int zeros = 0, bit = 0;
    bool overrun = false;
    unsigned byte = 0;

    bool next()
    {
        if (bit == 0) {
            if (at >= end) {
                overrun = true;
                return false;
            }
            byte = *at++;
            if (hevc && zeros >= 2 && byte == 3 && at < end) {
                zeros = 0;
                byte = *at++;
            }
            zeros = byte == 0 ? zeros + 1 : 0;
            bit = 8;
        }
        --bit;
        return (byte >> bit) & 1;
    }
    std::uint64_t bits(int count)
    {
        std::uint64_t v = 0;
        for (int i = 0; i < count && !overrun; ++i)
            v = v << 1 | unsigned(next());
        return v;
    }
    // Exp-Golomb, as HEVC codes sizes.
    std::uint64_t unsignedGolomb()
    {
        int leading = 0;
        while (!next() && !overrun)
            if (++leading > 32) {
                overrun = true;
                return 0;
            }
        return (std::uint64_t(1) << leading) - 1 + bits(leading);
    }
    // AV1's uvlc().
    std::uint64_t uvlc()
    {
        int leading = 0;
        while (!next() && !overrun)
            if (++leading >= 32)
                return 0xFFFFFFFFu;
        return bits(leading) + (std::uint64_t(1) << leading) - 1;
    }
};

// The picture size of an HEVC sequence parameter set (the NAL unit with its two-byte header).
std::uint64_t hevcSpsPixels(bytePointer nal, std::size_t size)
{
    if (size < 3 || ((nal[0] >> 1) & 0x3F) != 33)
        return 0;
    bitReader r{nal + 2, nal + size, true};
    r.bits(4); // the video parameter set
    const int subLayers = int(r.bits(3));
    r.bits(1);
    r.bits(96); // the general profile, tier and level
    bool profile[8] = {}, level[8] = {};
    for (int i = 0; i < subLayers; ++i) {
        profile[i] = r.bits(1);
        level[i] = r.bits(1);
    }
    if (subLayers > 0)
        r.bits(2 * (8 - subLayers));
    for (int i = 0; i < subLayers; ++i)
        r.bits((profile[i] ? 88 : 0) + (level[i] ? 8 : 0));
    r.unsignedGolomb(); // the sequence parameter set's number
    if (r.unsignedGolomb() == 3) // chroma format 4:4:4
        r.bits(1);
    const std::uint64_t width = r.unsignedGolomb(), height = r.unsignedGolomb();
    return r.overrun ? 0 : product(width, height);
}

// The largest picture the sequence headers among AV1 OBUs declare.
std::uint64_t av1Pixels(span s)
{
    std::uint64_t largest = 0;
    while (s.left() > 0 && !s.overrun) {
        const unsigned header = unsigned(s.take(1));
        const int type = int(header >> 3 & 0xF);
        if (header & 4)
            s.take(1); // the extension
        std::uint64_t size = s.left();
        if (header & 2) { // leb128
            size = 0;
            for (int i = 0; i < 8; ++i) {
                const std::uint64_t b = s.take(1);
                size |= (b & 0x7F) << (7 * i);
                if (!(b & 0x80))
                    break;
            }
        }
        if (s.overrun || size > s.left())
            break;
        if (type == 1) { // a sequence header
            bitReader r{s.at, s.at + size};
            r.bits(3);
            r.bits(1);
            if (r.bits(1)) { // reduced still picture header
                r.bits(5);
            } else {
                bool decoderModel = false;
                int delayBits = 0;
                if (r.bits(1)) { // timing info
                    r.bits(64);
                    if (r.bits(1))
                        r.uvlc();
                    decoderModel = r.bits(1);
                    if (decoderModel) {
                        delayBits = int(r.bits(5)) + 1;
                        r.bits(32 + 5 + 5);
                    }
                }
                const bool displayDelay = r.bits(1);
                const int points = int(r.bits(5)) + 1;
                for (int i = 0; i < points && !r.overrun; ++i) {
                    r.bits(12);
                    if (r.bits(5) > 7)
                        r.bits(1);
                    if (decoderModel && r.bits(1))
                        r.bits(2 * delayBits + 1);
                    if (displayDelay && r.bits(1))
                        r.bits(4);
                }
            }
            const int widthBits = int(r.bits(4)) + 1, heightBits = int(r.bits(4)) + 1;
            const std::uint64_t width = r.bits(widthBits) + 1, height = r.bits(heightBits) + 1;
            if (!r.overrun)
                largest = std::max(largest, product(width, height));
        }
        s.at += size;
    }
    return largest;
}

// The largest picture the sequence parameter sets among length-prefixed NAL units declare.
std::uint64_t hevcPixels(span s, int lengthSize)
{
    std::uint64_t largest = 0;
    while (s.left() > std::size_t(lengthSize) && !s.overrun) {
        const std::uint64_t size = s.take(lengthSize);
        if (size > s.left())
            break;
        largest = std::max(largest, hevcSpsPixels(s.at, std::size_t(size)));
        s.at += size;
    }
    return largest;
}

// An "hvcC" box's parameter sets; lengthSize receives the size of its NAL units' length fields.
std::uint64_t hvcCPixels(span s, int &lengthSize)
{
    if (s.left() < 23)
        return 0;
    lengthSize = int(s.at[21] & 3) + 1;
    s.at += 22;
    std::uint64_t largest = 0;
    const int arrays = int(s.take(1));
    for (int a = 0; a < arrays && !s.overrun; ++a) {
        s.take(1);
        const int count = int(s.take(2));
        for (int n = 0; n < count && !s.overrun; ++n) {
            const std::uint64_t size = s.take(2);
            if (size > s.left())
                return largest;
            largest = std::max(largest, hevcSpsPixels(s.at, std::size_t(size)));
            s.at += size;
        }
    }
    return largest;
}

} // namespace

unsigned long long largestDeclaredPixels(const QByteArray &file)
{
    const auto *b = reinterpret_cast<bytePointer>(file.constData());
    const box *meta = nullptr;
    const std::vector<box> top = boxesOf({b, b + file.size()});
    meta = find(top, "meta");
    if (!meta || meta->content.left() < 4)
        return 0;
    const std::vector<box> inMeta = boxesOf({meta->content.at + 4, meta->content.end});
    std::uint64_t largest = 0;
    int lengthSize = 4;
    const box *iprp = find(inMeta, "iprp");
    const std::vector<box> properties = iprp ? boxesOf(iprp->content) : std::vector<box>();
    if (const box *ipco = find(properties, "ipco"))
            for (const box &p : boxesOf(ipco->content)) {
                span c = p.content;
                if (std::memcmp(p.type, "ispe", 4) == 0 && c.left() >= 12)
                    largest = std::max(largest, product(bigEndian(c.at + 4, 4), bigEndian(c.at + 8, 4)));
                else if (std::memcmp(p.type, "hvcC", 4) == 0)
                    largest = std::max(largest, hvcCPixels(c, lengthSize));
                else if (std::memcmp(p.type, "av1C", 4) == 0 && c.left() > 4)
                    largest = std::max(largest, av1Pixels({c.at + 4, c.end}));
            }
    // The coded items: their types, then their data in the file (construction method 0).
    std::vector<std::pair<std::uint32_t, bool>> coded; // item, HEVC (else AV1)
    if (const box *iinf = find(inMeta, "iinf"); iinf && iinf->content.left() >= 4) {
        span s = iinf->content;
        const int version = int(s.take(1));
        s.take(3);
        s.take(version == 0 ? 2 : 4);
        for (const box &infe : boxesOf(s)) {
            span e = infe.content;
            const int v = int(e.take(1));
            e.take(3);
            if (std::memcmp(infe.type, "infe", 4) != 0 || v < 2)
                continue;
            const std::uint32_t id = std::uint32_t(e.take(v == 2 ? 2 : 4));
            e.take(2);
            if (e.left() >= 4 && (std::memcmp(e.at, "hvc1", 4) == 0 || std::memcmp(e.at, "av01", 4) == 0))
                coded.emplace_back(id, e.at[0] == 'h');
        }
    }
    if (const box *iloc = find(inMeta, "iloc"); iloc && !coded.empty()) {
        span s = iloc->content;
        const int version = int(s.take(1));
        s.take(3);
        const int sizes = int(s.take(2));
        const int offsetSize = sizes >> 12, lengthSize4 = sizes >> 8 & 15, baseSize = sizes >> 4 & 15,
                  indexSize = version >= 1 ? sizes & 15 : 0;
        const std::uint64_t items = s.take(version < 2 ? 2 : 4);
        for (std::uint64_t i = 0; i < items && !s.overrun; ++i) {
            const std::uint32_t id = std::uint32_t(s.take(version < 2 ? 2 : 4));
            const int method = version >= 1 ? int(s.take(2) & 15) : 0;
            s.take(2);
            const std::uint64_t base = s.take(baseSize);
            const std::uint64_t extents = s.take(2);
            for (std::uint64_t x = 0; x < extents && !s.overrun; ++x) {
                s.take(indexSize);
                const std::uint64_t offset = base + s.take(offsetSize), length = s.take(lengthSize4);
                const auto item = std::find_if(coded.begin(), coded.end(), [id](const auto &c) { return c.first == id; });
                if (method != 0 || item == coded.end() || offset > std::uint64_t(file.size())
                    || length > std::uint64_t(file.size()) - offset)
                    continue;
                const span data{b + offset, b + offset + (length ? length : std::uint64_t(file.size()) - offset)};
                largest = std::max(largest, item->second ? hevcPixels(data, lengthSize) : av1Pixels(data));
            }
        }
    }
    return largest;
}
