// The command line of korvia-batch: which command, its files and its operations.
#pragma once
#include "batchapply.h"

#include <QString>
#include <stdexcept>
#include <string>

// A command line that cannot be understood; the message says what is wrong.
class commandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct batchCommand {
    enum kinds { showHelp, applyCommand, infoCommand, kernelCommand } kind = showHelp;
    applyRequest apply;                 // apply
    QString input;                      // info
    operationSettings kernelOperation;  // kernel
    QString output;                     // kernel
};

// Throws commandLineError, or operationError for an operation text that is refused.
batchCommand parseCommandLine(int argc, char **argv);

// The --help text, generated from the operation and parameter tables.
std::string usageText();
