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

// The kernel the operation's code describes (filterDescriptions()), or nullptr.
auto kernelOf(const operationSettings &settings)
{
    const filterDescription *d = describeFilter(settings.filterType);
    return d ? d->kernel : nullptr;
}
} // namespace

bool hasKernel(const operationSettings &settings)
{
    return kernelOf(settings) != nullptr;
}

std::string kernelOperationNames()
{
    std::string names;
    for (const filterOperation &op : filterOperations()) {
        const filterDescription *d = describeFilter(op.filterType);
        if (d && d->kernel) names += (names.empty() ? "" : ", ") + std::string(op.name);
    }
    return names;
}

void runKernel(const operationSettings &settings, const QString &output)
{
    const std::string_view name = nameOf(settings);
    const auto kernelFor = kernelOf(settings);
    if (!kernelFor)
        throw imageError(QString::fromUtf8(name.data(), qsizetype(name.size())) + " has no kernel (" +
                         QString::fromStdString(kernelOperationNames()) + ")");
    colorFilter filter;
    settings.applyTo(filter);
    int n = 0;
    const std::vector<int> kernel = kernelFor(filter, n);
    if (n <= 0 || kernel.size() != std::size_t(n) * std::size_t(n))
        throw imageError(QString::fromUtf8(name.data(), qsizetype(name.size())) + ": no kernel for these values");
    if (!writeVipsMatrix(kernel, n, output)) throw imageError(batchTexts::tr("%1: 行列ファイルに書き込めません。").arg(output));
}
