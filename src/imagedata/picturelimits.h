// The limits every picture reader (and every operation making a new picture) keeps before it
// takes memory for a picture, and the one budget a reading of a file is held to.
#pragma once
#include <QString>

#include <algorithm>
#include <atomic>

// Pictures above this many pixels are refused before any memory is taken for them: the planes
// and the undo snapshots of the rest of the program count pixels in 32-bit integers.
constexpr long long maxPicturePixels = 400LL * 1000 * 1000;

// The memory reading a file may take for its picture (the 32-bit bitmap, and a decoder's own
// buffers), from the file's size. Real photos are described by far more than one byte per
// 500 pixels; the floor lets any file, however well it compresses (one plain colour, arithmetic
// coding, run-length skips), open a picture of some 50 megapixels. So no small file costs much.
constexpr unsigned long long pictureMemoryFloor = 192ULL << 20;
constexpr unsigned long long pictureMemoryPerFileByte = 2048;

constexpr unsigned long long pictureMemoryFor(unsigned long long fileSize)
{
    constexpr unsigned long long sizeCap = (1ULL << 62) / pictureMemoryPerFileByte;
    return std::max(pictureMemoryFloor, pictureMemoryPerFileByte * std::min(fileSize, sizeCap));
}

// The user's own limit for every reading, whatever the file's size: the environment's
// KORVIA_MEMORY_LIMIT (read once, at first use; the window and korvia-batch) or korvia-batch's
// --memory-limit, which replaces it. 0 when none is set: pictureMemoryFor decides.
unsigned long long pictureMemoryLimit();
void setPictureMemoryLimit(unsigned long long bytes);

// A size as the option and the variable take it: a whole number of bytes, or with K, M, G or T
// (also KB, KiB, ...: powers of 1024). 0 when the text is not such a size.
unsigned long long parseMemorySize(const QString &text);

// The budget of reading one file of fileSize bytes: the user's limit, or pictureMemoryFor.
unsigned long long readingMemoryFor(unsigned long long fileSize);

// Whether the bitmap of a picture of this many pixels (4 bytes each; at most maxPicturePixels)
// is within the budget of reading a file of fileSize bytes.
bool bitmapFitsFile(long long pixels, unsigned long long fileSize);

// a * b, or false when the product does not fit (for sizes declared by a file).
inline bool multiplied(unsigned long long a, unsigned long long b, unsigned long long &product)
{
    return !__builtin_mul_overflow(a, b, &product);
}

// The memory one reading of a file holds at once, counted against its budget: the picture, and
// every buffer the reader or its library takes for it (rows, strips, tiles, canvases, records).
// take() and tryTake() may be called from the library's own threads.
class readingBudget {
public:
    readingBudget(unsigned long long fileSize, const QString &what);
    readingBudget(const readingBudget &) = delete;
    readingBudget &operator=(const readingBudget &) = delete;

    // Counts bytes more; beyond the budget nothing is counted and imageError (budgetText, naming
    // a picture of width x height) is thrown.
    void take(unsigned long long bytes, long long width, long long height);
    // Throws as take() would, counting nothing: whether bytes more would still fit.
    void require(unsigned long long bytes, long long width, long long height) const;
    // The same without throwing: false (and exceeded() from then on) beyond the budget.
    bool tryTake(unsigned long long bytes) noexcept;
    void give(unsigned long long bytes) noexcept;
    // Whether a tryTake was refused: a library's failure was the budget's.
    bool exceeded() const noexcept { return refused.load(); }
    unsigned long long total() const noexcept { return limit; }
    unsigned long long used() const noexcept { return held.load(); }
    // imageError's text for a picture of width x height that needs `needed` bytes in all.
    QString text(long long width, long long height, unsigned long long needed) const;

private:
    unsigned long long limit;
    std::atomic<unsigned long long> held{0};
    std::atomic<bool> refused{false};
    QString what;
};

// "<what> は、読み込みに要るメモリが上限を超えるため開けません。..." with the override named and
// the declared size, the memory needed and the budget after it.
QString budgetText(const QString &what, long long width, long long height, unsigned long long needed,
                   unsigned long long budget);
