#include "batchkernel.h"

#include "imagedata/imageerror.h"

bool hasKernel(const operationSettings &settings)
{
    const std::string name = settings.operation ? settings.operation->name : "";
    return name == "motion" || name == "soft" || name == "emboss" || name == "sharpen";
}

std::string kernelOperationNames()
{
    return "motion, soft, emboss, sharpen";
}

void runKernel(const operationSettings &settings, const QString &output)
{
    (void)settings;
    throw imageError(output + ": kernel export is not available in this build yet");
}
