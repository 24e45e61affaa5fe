#include "commandline.h"

#include "imagedata/workerpool.h"

#include "batchkernel.h"
#include "batchrecipe.h"

#include "imagedata/filenames.h"
#include "imagedata/jpegcoding.h"
#include "imagedata/picturelimits.h"

#include <QByteArray>
#include <charconv>
#include <string_view>
#include <vector>

namespace {
// The name byte for byte; bytes that are no UTF-8 name are refused, never turned into U+FFFD,
// which would read or replace another file.
QString fileArgument(const char *text)
{
    return nameFromBytes(QByteArray(text));
}

long long wholeNumber(std::string_view option, std::string_view text, long long minimum, long long maximum)
{
    long long v = 0;
    const char *first = text.data();
    if (!text.empty() && text[0] == '+') ++first;
    auto [end, ec] = std::from_chars(first, text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || first == end)
        throw commandLineError(std::string(option) + " needs a whole number, got '" + std::string(text) + "'");
    if (v < minimum || v > maximum)
        throw commandLineError(std::string(option) + " must be between " + std::to_string(minimum) + " and " +
                               std::to_string(maximum));
    return v;
}

struct argumentList {
    std::vector<std::string_view> items;
    std::size_t next = 0;
    bool done() const { return next >= items.size(); }
    std::string_view take() { return items[next++]; }
    std::string_view valueOf(std::string_view option)
    {
        if (done()) throw commandLineError(std::string(option) + " needs a value");
        return take();
    }
};

batchCommand parseApply(argumentList &args)
{
    batchCommand command;
    command.kind = batchCommand::applyCommand;
    bool haveInput = false, haveOutput = false, optionsEnded = false;
    std::vector<std::string_view> operations;
    while (!args.done()) {
        const std::string_view a = args.take();
        if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            if (a == "--") {
                optionsEnded = true;
            } else if (a == "-o") {
                if (haveOutput) throw commandLineError("-o given twice");
                command.apply.output = fileArgument(args.valueOf(a).data());
                haveOutput = true;
            } else if (a == "-q") {
                command.apply.quality = int(wholeNumber("-q", args.valueOf(a), 1, 100));
            } else if (a == "--seed") {
                command.apply.seed = wholeNumber("--seed", args.valueOf(a), 0, 4294967295LL);
            } else if (a == "--threads") {
                setWorkerThreads(int(wholeNumber("--threads", args.valueOf(a), 1, 64)));
            } else {
                throw commandLineError("unknown option '" + std::string(a) + "'");
            }
        } else if (!haveInput) {
            command.apply.input = fileArgument(a.data());
            haveInput = true;
        } else {
            operations.push_back(a);
        }
    }
    if (!haveInput) throw commandLineError("apply needs an INPUT picture");
    if (!haveOutput) throw commandLineError("apply needs -o OUTPUT");
    if (command.apply.output.isEmpty()) throw commandLineError("-o needs a file name");
    for (std::string_view op : operations) {
        if (addRecipeStep(command.apply, op)) continue;
        if (std::optional<shapeStep> shape = parseShapeOperation(op)) {
            command.apply.steps.push_back(
                {[shape = *shape](QImage &bitmap, colorFilter &, prepareShape &shaper) {
                     applyShapeStep(bitmap, shaper, shape);
                 },
                 [shape = *shape](QSize size, prepareShape &shaper) { return shapeStepSize(size, shaper, shape); }});
        } else {
            command.apply.steps.push_back(
                {[settings = parseOperation(op)](QImage &bitmap, colorFilter &filter, prepareShape &) {
                     applyOperationTo(bitmap, filter, settings);
                 },
                 {}});
        }
    }
    return command;
}

batchCommand parseInfo(argumentList &args)
{
    batchCommand command;
    command.kind = batchCommand::infoCommand;
    if (args.done()) throw commandLineError("info needs an INPUT picture");
    command.input = fileArgument(args.take().data());
    if (!args.done()) throw commandLineError("info takes one INPUT picture");
    return command;
}

batchCommand parseKernel(argumentList &args)
{
    batchCommand command;
    command.kind = batchCommand::kernelCommand;
    bool haveOperation = false, haveOutput = false;
    while (!args.done()) {
        const std::string_view a = args.take();
        if (a == "-o") {
            if (haveOutput) throw commandLineError("-o given twice");
            command.output = fileArgument(args.valueOf(a).data());
            haveOutput = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw commandLineError("unknown option '" + std::string(a) + "'");
        } else if (!haveOperation) {
            command.kernelOperation = parseOperation(a);
            haveOperation = true;
        } else {
            throw commandLineError("kernel takes one operation");
        }
    }
    if (!haveOperation) throw commandLineError("kernel needs an operation (" + kernelOperationNames() + ")");
    if (!haveOutput || command.output.isEmpty()) throw commandLineError("kernel needs -o FILE");
    if (!hasKernel(command.kernelOperation))
        throw commandLineError("kernel: '" + std::string(command.kernelOperation.operation->name) +
                               "' has no kernel (" + kernelOperationNames() + ")");
    return command;
}
} // namespace

batchCommand parseCommandLine(int argc, char **argv)
{
    argumentList args;
    for (int i = 1; i < argc; ++i) args.items.emplace_back(argv[i]);
    if (args.done()) throw commandLineError("no command given");
    const std::string_view command = args.take();
    if (command == "--help" || command == "-h" || command == "help") {
        batchCommand help;
        help.kind = batchCommand::showHelp;
        return help;
    }
    if (command == "apply") return parseApply(args);
    if (command == "info") return parseInfo(args);
    if (command == "kernel") return parseKernel(args);
    throw commandLineError("unknown command '" + std::string(command) + "'");
}

std::string usageText()
{
    std::string text =
        "Usage:\n"
        "  korvia-batch apply INPUT -o OUTPUT [-q QUALITY] [--seed N] [--threads N] OP...\n"
        "      Reads INPUT (JPEG, BMP, PNG, TIFF, WebP, HEIF/AVIF or a camera RAW file, told\n"
        "      apart by their content), runs each OP in order and writes exactly OUTPUT,\n"
        "      a JPEG (.jpg, .jpeg, .JPG, .JPEG; quality 1..100, default 100) or a 32-bit BMP\n"
        "      (.bmp, .BMP). --seed N (0..4294967295) seeds the random jitter of the fringe\n"
        "      effects so that runs repeat. --threads N (1..64) sets the engine's worker threads\n"
        "      (default: every core, or KORVIA_THREADS). With no OP the picture is copied.\n"
        "      Every step's result size is checked before the first step runs: a picture above\n      " + std::to_string(maxPicturePixels) +
        " pixels,\n      or a JPEG OUTPUT wider or higher than " + std::to_string(largestJpegSide) + ", is refused.\n"
        "  korvia-batch info INPUT\n"
        "      Prints the picture information page: size, the camera's EXIF values, file name.\n"
        "  korvia-batch kernel OP[:keys] -o FILE\n"
        "      Writes the engine's kernel of OP (" + kernelOperationNames() + ") as a libvips matrix.\n"
        "  korvia-batch --help\n"
        "\n"
        "An OP is NAME or NAME:key=value,key=value. Operations, their keys, ranges and defaults:\n";
    text += operationUsage();
    text += shapeOperationUsage();
    text += "\nOne-click recipes (sizes follow the shorter side S of the picture):\n" + recipeUsage();
    text += "\nExit status 0 on success, 1 on failure with one message line on stderr.\n";
    return text;
}
