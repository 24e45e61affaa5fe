#include "picturelimits.h"
#include "imagedata/texts.h"

#include "imageerror.h"

#include <QtGlobal>

#include <mutex>

namespace {

std::atomic<unsigned long long> chosenLimit{0};
std::once_flag environmentRead;

void readEnvironment()
{
    std::call_once(environmentRead, [] {
        const unsigned long long fromEnvironment = parseMemorySize(qEnvironmentVariable("KORVIA_MEMORY_LIMIT"));
        unsigned long long none = 0;
        chosenLimit.compare_exchange_strong(none, fromEnvironment);
    });
}

QString megabytes(unsigned long long bytes)
{
    return QString::number((bytes + (1ULL << 20) - 1) >> 20);
}

} // namespace

unsigned long long pictureMemoryLimit()
{
    readEnvironment();
    return chosenLimit.load();
}

void setPictureMemoryLimit(unsigned long long bytes)
{
    readEnvironment(); // so a later first use does not put the environment's value back
    chosenLimit.store(bytes);
}

unsigned long long parseMemorySize(const QString &text)
{
    QString t = text.trimmed().toUpper();
    for (const char *unit : {"IB", "B"})
        if (t.endsWith(QLatin1String(unit)) && t.size() > int(qstrlen(unit))) {
            t.chop(int(qstrlen(unit)));
            break;
        }
    unsigned shift = 0;
    if (!t.isEmpty()) {
        const int at = QStringLiteral("KMGT").indexOf(t.back());
        if (at >= 0) {
            shift = 10u * unsigned(at + 1);
            t.chop(1);
        }
    }
    bool ok = false;
    const unsigned long long number = t.trimmed().toULongLong(&ok);
    if (!ok || number == 0 || number > (~0ULL >> (shift + 1)))
        return 0;
    return number << shift;
}

unsigned long long readingMemoryFor(unsigned long long fileSize)
{
    const unsigned long long limit = pictureMemoryLimit();
    return limit ? limit : pictureMemoryFor(fileSize);
}

bool bitmapFitsFile(long long pixels, unsigned long long fileSize)
{
    return pixels >= 0 && 4ULL * static_cast<unsigned long long>(pixels) <= readingMemoryFor(fileSize);
}

readingBudget::readingBudget(unsigned long long fileSize, const QString &what)
    : limit(readingMemoryFor(fileSize)), what(what)
{
}

bool readingBudget::tryTake(unsigned long long bytes) noexcept
{
    unsigned long long now = held.load();
    do {
        if (bytes > limit || now > limit - bytes) {
            refused.store(true);
            return false;
        }
    } while (!held.compare_exchange_weak(now, now + bytes));
    return true;
}

void readingBudget::take(unsigned long long bytes, long long width, long long height)
{
    const unsigned long long before = held.load();
    if (!tryTake(bytes)) {
        unsigned long long needed = 0;
        if (__builtin_add_overflow(before, bytes, &needed))
            needed = ~0ULL;
        throw imageError(text(width, height, needed));
    }
}

void readingBudget::require(unsigned long long bytes, long long width, long long height) const
{
    const unsigned long long now = held.load();
    if (bytes > limit || now > limit - bytes) {
        unsigned long long needed = 0;
        if (__builtin_add_overflow(now, bytes, &needed))
            needed = ~0ULL;
        throw imageError(text(width, height, needed));
    }
}

void readingBudget::give(unsigned long long bytes) noexcept
{
    held.fetch_sub(std::min(bytes, held.load()));
}

QString readingBudget::text(long long width, long long height, unsigned long long needed) const
{
    return budgetText(what, width, height, needed, limit);
}

QString budgetText(const QString &what, long long width, long long height, unsigned long long needed,
                   unsigned long long budget)
{
    const bool chosen = pictureMemoryLimit() != 0;
    // One pass over the text: a name holding "%1" stays the name.
    return imageTexts::tr("%1 は、読み込みに要るメモリが上限を超えるため開けません。正しい画像なら、上限を環境変数 "
                          "KORVIA_MEMORY_LIMIT（korvia-batch では --memory-limit も）で上げれば開けます"
                          "（例: KORVIA_MEMORY_LIMIT=4G）: %2（%3 × %4 画素）、要るメモリ %5 MB、上限 %6 MB%7")
        .arg(what,
             chosen ? imageTexts::tr("宣言された画像の大きさ") : imageTexts::tr("宣言された画像の大きさがファイルの大きさに見合いません"),
             QString::number(width), QString::number(height), megabytes(needed), megabytes(budget),
             chosen ? imageTexts::tr("（指定された上限）。") : imageTexts::tr("。"));
}
