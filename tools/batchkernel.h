// korvia-batch kernel: the engine's kernel of a kernel filter written as a libvips matrix file,
// so that libvips can be given the very same weights.
#pragma once
#include "colour/filteroperations.h"

#include <QString>
#include <string>

// Whether the operation has a kernel to export (motion, soft, emboss, sharpen).
bool hasKernel(const operationSettings &settings);
// "motion, soft, emboss, sharpen"
std::string kernelOperationNames();
// Writes the kernel to exactly `output`; throws imageError.
void runKernel(const operationSettings &settings, const QString &output);
