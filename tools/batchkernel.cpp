#include "batchkernel.h"
#include "batchtexts.h"

#include "colour/filterkernels.h"
#include "imagedata/imageerror.h"

#include <string_view>
#include <vector>

namespace {
std::string_view nameOf(const operationSettings &settings)
{
    return settings.operation ? settings.operation->name : "";
}

// Sharpen as one convolution: new = centre − trunc(L · edgeLevel / 10) with
// L = up + down + left + right − 4 · centre, that is the weights (10 + 4e) at the centre and −e at
// the four direct neighbours over a scale of 10 (the sum of the weights).
std::vector<int> sharpenKernel(int edgeLevel)
{
    const int e = edgeLevel;
    return {0, -e, 0, -e, 10 + 4 * e, -e, 0, -e, 0};
}
} // namespace

bool hasKernel(const operationSettings &settings)
{
    const std::string_view name = nameOf(settings);
    return name == "motion" || name == "soft" || name == "emboss" || name == "sharpen";
}

std::string kernelOperationNames()
{
    return "motion, soft, emboss, sharpen";
}

void runKernel(const operationSettings &settings, const QString &output)
{
    const std::string_view name = nameOf(settings);
    std::vector<int> kernel;
    int n = 0;
    if (name == "motion") {
        const int m = settings.value("vibrateSize");
        kernel = motionBlurKernel(m, settings.value("vibrateAngle"));
        n = 2 * m + 1;
    } else if (name == "soft") {
        kernel = softFocusKernel(settings.value("softSize"), n);
    } else if (name == "emboss") {
        const int *k = embossKernel(settings.embossAngle);
        kernel.assign(k, k + 9);
        n = 3;
    } else if (name == "sharpen") {
        kernel = sharpenKernel(settings.value("edgeLevel"));
        n = 3;
    } else {
        throw imageError(QString::fromUtf8(name.data(), qsizetype(name.size())) + " has no kernel (" +
                         QString::fromStdString(kernelOperationNames()) + ")");
    }
    if (n <= 0 || kernel.size() != std::size_t(n) * std::size_t(n))
        throw imageError(QString::fromUtf8(name.data(), qsizetype(name.size())) + ": no kernel for these values");
    if (!writeVipsMatrix(kernel, n, output)) throw imageError(batchTexts::tr("%1: 行列ファイルに書き込めません。").arg(output));
}
