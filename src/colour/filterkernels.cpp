#include "filterkernels.h"

#include <QSaveFile>
#include <cmath>
#include <cstddef>
#include <string>

namespace {
constexpr double pi = 3.14159265358979323846;

// Relief kernels, one per 45° step, each row x − 1, x, x + 1, every kernel summing to zero.
constexpr int embossKernels[8][9] = {
    { 1,  2,  1,   1, -2,  1,  -1, -2, -1},
    { 1,  1,  2,  -1, -2,  1,  -2, -1,  1},
    {-1,  1,  1,  -2, -2,  2,  -1,  1,  1},
    {-2, -1,  1,  -1, -2,  1,   1,  1,  2},
    {-1, -2, -1,   1, -2,  1,   1,  2,  1},
    { 1, -1, -2,   1, -2, -1,   2,  1,  1},
    { 1,  1, -1,   2, -2, -2,   1,  1, -1},
    { 2,  1,  1,   1, -2, -1,   1, -1, -2},
};
} // namespace

std::vector<int> softFocusKernel(int softSize, int &n)
{
    if (softSize < 1) {
        n = 0;
        return {};
    }
    n = softSize | 1;
    if (n < 3) n = 3;
    const int c = (n - 1) / 2;
    std::vector<int> kernel(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const double di = i - c;
            const double dj = j - c;
            int w = static_cast<int>((c - std::sqrt(di * di + dj * dj)) / c * 255);
            if (w > 255) w = 255;
            if (w < 0) w = 0;
            kernel[static_cast<std::size_t>(i) * n + j] = w;
        }
    }
    return kernel;
}

std::vector<int> motionBlurKernel(int vibrateSize, int vibrateAngle)
{
    const int m = vibrateSize;
    if (m < 1) return {};
    const int a = 2 * m + 1;
    std::vector<int> kernel(static_cast<std::size_t>(a) * a, 0);
    std::vector<int> quadrant(static_cast<std::size_t>(m + 1) * (m + 1), 0);

    const int b = vibrateAngle;
    int phi;
    bool familyA;
    if (b <= 45) { phi = b; familyA = true; }
    else if (b <= 90) { phi = 90 - b; familyA = true; }
    else if (b <= 135) { phi = b - 90; familyA = false; }
    else { phi = 180 - b; familyA = false; }

    // The quadrant line: a sub-pixel walk whose two neighbouring cells share 256.
    const int c = static_cast<int>(std::tan(phi * pi / 180.0) * 256);
    quadrant[0] = 255;
    int i = 1;
    int j = 0;
    int acc = c;
    while (i <= m && j < m - 1) {
        if (acc >= 256) {
            ++j;
            acc -= 256;
        }
        quadrant[static_cast<std::size_t>(j) * m + i] = 256 - acc;
        quadrant[static_cast<std::size_t>(j + 1) * m + i] = acc;
        acc += c;
        ++i;
    }

    auto at = [&](int row, int column) -> int & {
        return kernel[static_cast<std::size_t>(row) * a + column];
    };
    auto q = [&](int d, int e) { return quadrant[static_cast<std::size_t>(d) * (m + 1) + e]; };
    // The second half is laid after the first, so it wins on the centre row where they meet.
    for (int d = 0; d <= m; ++d)
        for (int e = 0; e <= m; ++e) {
            if (familyA) at(m - d, m - e) = q(d, e);
            else at(m - d, m + e) = q(d, e);
        }
    for (int d = 0; d <= m; ++d)
        for (int e = 0; e <= m; ++e) {
            if (familyA) at(m + d, m + e) = q(d, e);
            else at(m + d, m - e) = q(d, e);
        }
    return kernel;
}

const int *embossKernel(int embossAngle)
{
    int index = embossAngle / 45;
    if (index < 0 || index > 7) index = 0;
    return embossKernels[index];
}

std::vector<int> sharpenKernel(int edgeLevel)
{
    const int e = edgeLevel;
    return {0, -e, 0, -e, 10 + 4 * e, -e, 0, -e, 0};
}

bool writeVipsMatrix(const std::vector<int> &kernel, int n, const QString &path)
{
    if (n < 1 || kernel.size() != static_cast<std::size_t>(n) * n) return false;
    long long sum = 0;
    for (int w : kernel) sum += w;
    if (sum <= 0) sum = 1;

    std::string text = std::to_string(n) + ' ' + std::to_string(n) + ' ' + std::to_string(sum) + " 0\n";
    for (int row = 0; row < n; ++row) {
        for (int column = 0; column < n; ++column) {
            if (column) text += ' ';
            text += std::to_string(kernel[static_cast<std::size_t>(row) * n + column]);
        }
        text += '\n';
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
