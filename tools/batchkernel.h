// korvia-batch kernel: the engine's kernel of a kernel filter written as a libvips matrix file,
// so that libvips can be given the very same weights.
#pragma once
#include "colour/filteroperations.h"

#include <QString>
#include <string>

// Whether the operation's filter is one kernel to export (its description's kernel: motion, soft,
// emboss, sharpen).
bool hasKernel(const operationSettings &settings);
// The names of the operations that have one, in usage order: "emboss, motion, sharpen, soft".
std::string kernelOperationNames();
// Writes the kernel to exactly `output`; throws imageError.
void runKernel(const operationSettings &settings, const QString &output);
