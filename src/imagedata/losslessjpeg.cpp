#include "losslessjpeg.h"
#include "imagedata/texts.h"

#include "imageerror.h"
#include "jpegcoding.h"

#include <turbojpeg.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio> // before jpeglib.h, which uses FILE
#include <cstdlib>
#include <memory>

extern "C" {
#include <jpeglib.h>
}

namespace {

pixelTurn inverseTurn(pixelTurn turn)
{
    if (turn == pixelTurn::turnRight) return pixelTurn::turnLeft;
    if (turn == pixelTurn::turnLeft) return pixelTurn::turnRight;
    return turn; // the mirrors and the half turn undo themselves
}

QSize turnedSize(pixelTurn turn, QSize size)
{
    return turnSwapsSides(turn) ? size.transposed() : size;
}

// Where stored pixel (c, r) of a W × H picture lands under the move.
QPoint turnDestination(pixelTurn turn, int W, int H, int c, int r)
{
    const QSize out = turnedSize(turn, QSize(W, H));
    int x = 0, y = 0;
    turnSource(inverseTurn(turn), out.width(), out.height(), c, r, x, y);
    return {x, y};
}

// The rectangle spanned by two corner pixels.
QRect spanned(QPoint a, QPoint b)
{
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

// What jpegtran -perfect accepts: no partial block column or row would come to the left or top.
bool perfectMove(pixelTurn turn, QSize size, QSize block)
{
    const bool wholeAcross = size.width() % block.width() == 0;
    const bool wholeDown = size.height() % block.height() == 0;
    switch (turn) {
    case pixelTurn::none:
    case pixelTurn::transpose: return true;
    case pixelTurn::mirrorLeftRight:
    case pixelTurn::turnLeft: return wholeAcross;
    case pixelTurn::mirrorUpDown:
    case pixelTurn::turnRight: return wholeDown;
    case pixelTurn::halfTurn:
    case pixelTurn::transverse: return wholeAcross && wholeDown;
    }
    return false;
}

bool onGrid(QPoint corner, QSize block)
{
    return corner.x() % block.width() == 0 && corner.y() % block.height() == 0;
}

// The two ways of making the picture from blocks: the move on the whole stored picture and then
// a trim of its result, or a trim of the stored picture and then the move on the part.
enum class losslessPlan { none, moveThenTrim, trimThenMove };

// The part kept, in the pixels of the whole stored picture after the move.
QRect keptAfterMove(const losslessEdits &e)
{
    const int W = e.stored.width(), H = e.stored.height();
    return spanned(turnDestination(e.turn, W, H, e.kept.left(), e.kept.top()),
                   turnDestination(e.turn, W, H, e.kept.right(), e.kept.bottom()));
}

losslessPlan planOf(const losslessEdits &e)
{
    if (!e.known || e.block.isEmpty() || e.kept.isEmpty()) return losslessPlan::none;
    if (perfectMove(e.turn, e.stored, e.block) &&
        onGrid(keptAfterMove(e).topLeft(), turnedSize(e.turn, e.block)))
        return losslessPlan::moveThenTrim;
    if (onGrid(e.kept.topLeft(), e.block) && perfectMove(e.turn, e.kept.size(), e.block))
        return losslessPlan::trimThenMove;
    return losslessPlan::none;
}

int transformOperation(pixelTurn turn)
{
    switch (turn) {
    case pixelTurn::none: return TJXOP_NONE;
    case pixelTurn::mirrorLeftRight: return TJXOP_HFLIP;
    case pixelTurn::halfTurn: return TJXOP_ROT180;
    case pixelTurn::mirrorUpDown: return TJXOP_VFLIP;
    case pixelTurn::transpose: return TJXOP_TRANSPOSE;
    case pixelTurn::turnRight: return TJXOP_ROT90;
    case pixelTurn::transverse: return TJXOP_TRANSVERSE;
    case pixelTurn::turnLeft: return TJXOP_ROT270;
    }
    return TJXOP_NONE;
}

struct handleCloser {
    void operator()(void *handle) const { tjDestroy(handle); }
};
using transformHandle = std::unique_ptr<void, handleCloser>;

// One call of the transform API: the move (refused when imperfect) and, when crop is not empty,
// the part of its result kept. Empty when the library refuses; warnings count as refusals, and so
// does a progressive file of an unreasonable number of scans.
QByteArray transformed(const QByteArray &jpeg, pixelTurn turn, const QRect &crop)
{
    const transformHandle handle(tjInitTransform());
    if (!handle) return {};
    tjtransform t{};
    t.op = transformOperation(turn);
    t.options = TJXOPT_PERFECT | TJXOPT_COPYNONE;
    if (!crop.isNull()) {
        t.options |= TJXOPT_CROP;
        t.r = {crop.x(), crop.y(), crop.width(), crop.height()};
    }
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    const int status = tjTransform(handle.get(), reinterpret_cast<const unsigned char *>(jpeg.constData()),
                                   static_cast<unsigned long>(jpeg.size()), 1, &out, &outSize, &t,
                                   TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS);
    QByteArray result;
    if (status == 0 && out) result = QByteArray(reinterpret_cast<const char *>(out), qsizetype(outSize));
    if (out) tjFree(out);
    return result;
}

// What the transform API reads from a file's header; false when it cannot.
struct headerFacts {
    QSize size;
    int sampling = -1, colourspace = -1;
};
bool readHeader(const QByteArray &jpeg, headerFacts &facts)
{
    const transformHandle handle(tjInitTransform());
    int width = 0, height = 0;
    if (!handle || jpeg.isEmpty() ||
        tjDecompressHeader3(handle.get(), reinterpret_cast<const unsigned char *>(jpeg.constData()),
                            static_cast<unsigned long>(jpeg.size()), &width, &height, &facts.sampling,
                            &facts.colourspace) != 0 ||
        width <= 0 || height <= 0)
        return false;
    facts.size = QSize(width, height);
    return true;
}

// Inks: the transform writes an Adobe marker of its own, which would turn the inks of a file
// stored without one upside down for the reader.
bool holdsInks(const headerFacts &facts)
{
    return facts.colourspace == TJCS_CMYK || facts.colourspace == TJCS_YCCK;
}

// Each segment before the first scan: its marker and its bytes after the length field.
template <class visit> void forEachSegment(const QByteArray &jpeg, visit &&seen)
{
    const auto at = [&](qsizetype i) { return i < jpeg.size() ? static_cast<unsigned char>(jpeg[i]) : 0u; };
    qsizetype i = 2;
    while (i + 4 <= jpeg.size() && at(i) == 0xFF) {
        const unsigned marker = at(i + 1);
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break; // the first scan, or the end
        const qsizetype length = qsizetype(at(i + 2)) << 8 | at(i + 3);
        if (length < 2 || i + 2 + length > jpeg.size()) break;
        seen(marker, jpeg.mid(i + 4, length - 2));
        i += 2 + length;
    }
}

bool progressiveFile(const QByteArray &jpeg)
{
    bool progressive = false;
    forEachSegment(jpeg, [&](unsigned marker, const QByteArray &) {
        progressive = progressive || marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
    });
    return progressive;
}

struct tableFailure {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

void leaveTables(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<tableFailure *>(info->err)->back, 1);
}

void warningLeavesTables(j_common_ptr info, int level)
{
    if (level < 0) leaveTables(info); // a warning on the transform's own output: something is wrong
}

// The same blocks written again with Huffman tables made for them (baseline), or progressive:
// the transform writes the standard tables, larger than the ones a camera or an editor may have
// chosen. Only trivially destructible locals live between the jump and its target; false and out
// untouched on any failure.
bool withOwnTables(const QByteArray &in, bool progressive, QByteArray &out)
{
    jpeg_decompress_struct source{};
    jpeg_compress_struct target{};
    tableFailure failure{};
    source.err = target.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = leaveTables;
    failure.manager.emit_message = warningLeavesTables;
    unsigned char *bytes = nullptr;
    unsigned long size = 0;
    if (setjmp(failure.back)) {
        jpeg_destroy_compress(&target);
        jpeg_destroy_decompress(&source);
        std::free(bytes);
        return false;
    }
    jpeg_create_decompress(&source);
    jpeg_create_compress(&target);
    jpeg_mem_src(&source, reinterpret_cast<const unsigned char *>(in.constData()), static_cast<unsigned long>(in.size()));
    jpeg_read_header(&source, TRUE);
    jvirt_barray_ptr *blocks = jpeg_read_coefficients(&source);
    jpeg_copy_critical_parameters(&source, &target);
    target.optimize_coding = TRUE;
    if (progressive) jpeg_simple_progression(&target);
    jpeg_mem_dest(&target, &bytes, &size);
    jpeg_write_coefficients(&target, blocks);
    jpeg_finish_compress(&target);
    jpeg_finish_decompress(&source);
    jpeg_destroy_compress(&target);
    jpeg_destroy_decompress(&source);
    out = QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(size));
    std::free(bytes);
    return true;
}

} // namespace

pixelTurn composedTurn(pixelTurn first, pixelTurn next)
{
    // A 2 × 3 picture: no two moves take its pixels to the same places.
    constexpr int W = 2, H = 3;
    const QSize middle = turnedSize(first, QSize(W, H));
    const QSize out = turnedSize(next, middle);
    for (int candidate = 0; candidate < 8; ++candidate) {
        const auto turn = static_cast<pixelTurn>(candidate);
        if (turnedSize(turn, QSize(W, H)) != out) continue;
        bool same = true;
        for (int y = 0; same && y < out.height(); ++y)
            for (int x = 0; same && x < out.width(); ++x) {
                int c1 = 0, r1 = 0, c = 0, r = 0, c2 = 0, r2 = 0;
                turnSource(next, middle.width(), middle.height(), x, y, c1, r1);
                turnSource(first, W, H, c1, r1, c, r);
                turnSource(turn, W, H, x, y, c2, r2);
                same = c == c2 && r == r2;
            }
        if (same) return turn;
    }
    return pixelTurn::none; // not reached: the moves form a group
}

losslessEdits losslessEdits::ofJpeg(const QByteArray &jpeg)
{
    losslessEdits e;
    headerFacts facts;
    if (!readHeader(jpeg, facts) || facts.sampling < 0 || facts.sampling >= TJ_NUMSAMP || holdsInks(facts)) return e;
    int orientation = 1;
    try {
        // The reader's own view of the size and the orientation: the picture the window shows.
        const QSize size = jpegHeaderSize(reinterpret_cast<const unsigned char *>(jpeg.constData()),
                                          static_cast<std::size_t>(jpeg.size()), QStringLiteral("JPEG"), orientation);
        if (size != facts.size) return e;
    } catch (const imageError &) {
        return e;
    }
    e.known = true;
    e.stored = facts.size;
    e.block = QSize(tjMCUWidth[facts.sampling], tjMCUHeight[facts.sampling]);
    e.kept = QRect(QPoint(0, 0), e.stored);
    e.turn = orientationTurn(orientation);
    return e;
}

QSize losslessEdits::shownSize() const
{
    return known ? turnedSize(turn, kept.size()) : QSize();
}

losslessEdits losslessEdits::then(pixelTurn next) const
{
    losslessEdits e = *this;
    e.turn = composedTurn(turn, next);
    return e;
}

losslessEdits losslessEdits::trimmed(int left, int top, int right, int bottom) const
{
    if (!known) return *this;
    const QSize shown = shownSize();
    left = std::clamp(left, 0, shown.width() - 1);
    right = std::clamp(right, left, shown.width() - 1);
    top = std::clamp(top, 0, shown.height() - 1);
    bottom = std::clamp(bottom, top, shown.height() - 1);
    // The shown picture is the move of the kept part: its corners come from two corners of it.
    QPoint a, b;
    turnSource(turn, kept.width(), kept.height(), left, top, a.rx(), a.ry());
    turnSource(turn, kept.width(), kept.height(), right, bottom, b.rx(), b.ry());
    losslessEdits e = *this;
    e.kept = spanned(a, b).translated(kept.topLeft());
    return e;
}

bool losslessEdits::exact() const
{
    return planOf(*this) != losslessPlan::none;
}

QByteArray losslessJpeg(const QByteArray &jpeg, const losslessEdits &edits, const pictureMetadata &metadata)
{
    const losslessPlan plan = planOf(edits);
    headerFacts source;
    if (plan == losslessPlan::none || !readHeader(jpeg, source) || holdsInks(source) || source.size != edits.stored)
        return {};
    const bool whole = edits.kept == QRect(QPoint(0, 0), edits.stored);
    QByteArray result;
    if (plan == losslessPlan::moveThenTrim) {
        result = transformed(jpeg, edits.turn, whole ? QRect() : keptAfterMove(edits));
    } else {
        const QByteArray part = transformed(jpeg, pixelTurn::none, edits.kept);
        if (!part.isEmpty()) result = transformed(part, edits.turn, QRect());
    }
    // The library rounds a crop's corner down to its grid where it finds one off it: only the
    // picture of exactly the size asked for will do.
    const QSize size = edits.shownSize();
    headerFacts made;
    if (result.isEmpty() || !readHeader(result, made) || made.size != size) return {};
    if (!withOwnTables(result, progressiveFile(jpeg), result)) return {};
    return withSegments(result, metadata.forPicture(size.width(), size.height()));
}

QByteArray savedJpegFile(const QImage &picture, int quality, const pictureMetadata &metadata, const QByteArray &stored,
                         const losslessEdits &edits)
{
    if (!stored.isEmpty())
        if (QByteArray kept = losslessJpeg(stored, edits, metadata); !kept.isEmpty()) return kept;
    return encodeJpegWith(picture, quality, metadata.forPicture(picture.width(), picture.height()));
}

pictureMetadata jpegRecordsOf(const QByteArray &jpeg)
{
    pictureMetadata records;
    forEachSegment(jpeg, [&](unsigned marker, const QByteArray &payload) {
        if (marker == 0xE1 || marker == 0xE2) records.offer(int(marker), payload);
    });
    return records;
}

QByteArray withSegments(const QByteArray &jpeg, const std::vector<metadataSegment> &segments)
{
    const auto at = [&](qsizetype i) { return i < jpeg.size() ? static_cast<unsigned char>(jpeg[i]) : 0u; };
    if (at(0) != 0xFF || at(1) != 0xD8) throw imageError(imageTexts::tr("JPEG データの始まりがありません。"));
    qsizetype insert = 2;
    if (at(2) == 0xFF && at(3) == 0xE0) insert = 4 + (qsizetype(at(4)) << 8 | at(5));
    if (insert > jpeg.size()) throw imageError(imageTexts::tr("JPEG データの APP0 が途中で切れています。"));
    QByteArray added;
    for (const metadataSegment &s : segments) {
        const qsizetype length = s.payload.size() + 2;
        if (length > 0xFFFF) continue; // not one segment: left out, as the encoder leaves it
        added.append(char(0xFF));
        added.append(char(s.marker));
        added.append(char(length >> 8));
        added.append(char(length & 0xFF));
        added.append(s.payload);
    }
    QByteArray out = jpeg;
    out.insert(insert, added);
    return out;
}
