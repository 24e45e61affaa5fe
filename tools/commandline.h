// The command line of korvia-batch: which command, its files and its operations.
#pragma once
#include "batchapply.h"
#include "batchmany.h"

#include <QString>
#include <stdexcept>
#include <string>

// A command line that cannot be understood; the message says what is wrong.
// The exit status is 1 for the one-photo form (as it always was) and 2 for the many-photo form.
class commandLineError : public std::runtime_error {
public:
    explicit commandLineError(const std::string &what, int status = 1) : std::runtime_error(what), status(status) {}
    int status;
};

struct batchCommand {
    enum kinds { showHelp, applyCommand, batchApplyCommand, infoCommand, kernelCommand } kind = showHelp;
    applyRequest apply;                 // apply, and the steps of a batch
    batchRequest batch;                 // apply over many photos
    QString input;                      // info
    operationSettings kernelOperation;  // kernel
    QString output;                     // kernel
};

// Throws commandLineError, or operationError for an operation text that is refused.
batchCommand parseCommandLine(int argc, char **argv);

// The --help text, generated from the operation and parameter tables.
std::string usageText();
