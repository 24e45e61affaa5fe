#include "commandline.h"
#include "batchtexts.h"

#include "imagedata/workerpool.h"

#include "batchkernel.h"
#include "batchrecipe.h"

#include "imagedata/filenames.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/jpegcoding.h"
#include "imagedata/picturelimits.h"

#include <QByteArray>
#include <QFileInfo>
#include <algorithm>
#include <sys/stat.h>
#include <charconv>
#include <optional>
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

// --memory-limit SIZE (or --memory-limit=SIZE), anywhere before "--": sets the memory every
// reading of a picture may take (picturelimits.h) and is taken out of the words.
void takeMemoryLimit(argumentList &args)
{
    constexpr std::string_view option = "--memory-limit";
    for (std::size_t i = args.next; i < args.items.size(); ++i) {
        const std::string_view a = args.items[i];
        if (a == "--") return;
        std::string_view value;
        std::size_t count = 1;
        if (a == option) {
            if (i + 1 >= args.items.size()) throw commandLineError("--memory-limit needs a value");
            value = args.items[i + 1];
            count = 2;
        } else if (a.size() > option.size() && a.substr(0, option.size() + 1) == "--memory-limit=") {
            value = a.substr(option.size() + 1);
        } else {
            continue;
        }
        const unsigned long long bytes = parseMemorySize(QString::fromLocal8Bit(value.data(), qsizetype(value.size())));
        if (bytes == 0)
            throw commandLineError("--memory-limit needs a size such as 4G, 1500M or 800000000, got '" + std::string(value) + "'");
        setPictureMemoryLimit(bytes);
        args.items.erase(args.items.begin() + std::ptrdiff_t(i), args.items.begin() + std::ptrdiff_t(i + count));
        --i;
    }
}

// After the first photo, a word is one more photo when it looks like a path (its name part has a
// dot or a slash) or names something on disk; otherwise it is an operation.
bool looksLikeInput(std::string_view a)
{
    const std::string_view namePart = a.substr(0, a.find(':'));
    if (namePart.find_first_of("./") != std::string_view::npos) return true;
    struct stat s {};
    return ::stat(std::string(a).c_str(), &s) == 0;
}

// -o names the output folder of the many-photo form: it ends with a slash, or is a folder whose
// name is no picture name (a folder called out.jpg is refused as the one output file it names,
// as it always was).
bool isFolderName(const QString &name)
{
    return name.endsWith(QLatin1Char('/')) || (QFileInfo(name).isDir() && imageFileType(name) == 0);
}

// Options of the many-photo form only.
bool batchOnlyOption(std::string_view a)
{
    return a == "-r" || a == "-0" || a == "--files-from" || a == "--format" || a == "--overwrite" || a == "-j" ||
           a == "--report";
}

// Takes a value after it.
bool optionWithValue(std::string_view a)
{
    return a == "-o" || a == "-q" || a == "--seed" || a == "--threads" || a == "-j" || a == "--files-from" ||
           a == "--report" || a == "--format";
}

// Whether the words ask for the many-photo form, for the exit status of a usage error: a batch
// option, -o FOLDER, a folder or a second photo.
bool manyPhotoHint(const argumentList &args)
{
    int photos = 0;
    for (std::size_t i = args.next; i < args.items.size(); ++i) {
        const std::string_view a = args.items[i];
        if (batchOnlyOption(a)) return true;
        if (a == "-o" && i + 1 < args.items.size() && isFolderName(QString::fromLocal8Bit(args.items[i + 1])))
            return true;
        if (optionWithValue(a)) {
            ++i;
        } else if (a.empty() || a[0] != '-') {
            if (photos == 0 ? QFileInfo(QString::fromLocal8Bit(a)).isDir() : looksLikeInput(a)) return true;
            ++photos;
        }
    }
    return false;
}

void addOperations(applyRequest &apply, const std::vector<std::string_view> &operations)
{
    for (std::string_view op : operations) {
        if (addRecipeStep(apply, op)) continue;
        if (std::optional<shapeStep> shape = parseShapeOperation(op)) {
            apply.steps.push_back(
                {[shape = *shape](QImage &bitmap, colorFilter &, prepareShape &shaper) {
                     applyShapeStep(bitmap, shaper, shape);
                 },
                 [shape = *shape](QSize size, prepareShape &shaper) { return shapeStepSize(size, shaper, shape); },
                 shape});
        } else {
            apply.steps.push_back(
                {[settings = parseOperation(op)](QImage &bitmap, colorFilter &filter, prepareShape &) {
                     applyOperationTo(bitmap, filter, settings);
                 },
                 {},
                 {}});
        }
    }
}

batchCommand parseApplyWords(argumentList &args)
{
    batchCommand command;
    command.kind = batchCommand::applyCommand;
    bool haveOutput = false, optionsEnded = false, batchOptions = false;
    std::vector<std::string_view> operations;
    batchRequest &batch = command.batch;
    // With a list of names, every photo on the command line is told by its look.
    const bool listed = std::find(args.items.begin() + std::ptrdiff_t(args.next), args.items.end(), "--files-from") !=
                        args.items.end();
    while (!args.done()) {
        const std::string_view a = args.take();
        if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            if (batchOnlyOption(a)) batchOptions = true;
            if (a == "--") {
                optionsEnded = true;
            } else if (a == "-o") {
                if (haveOutput) throw commandLineError("-o given twice");
                command.apply.output = fileArgument(args.valueOf(a).data());
                haveOutput = true;
            } else if (a == "-q") {
                command.apply.quality = int(wholeNumber("-q", args.valueOf(a), 1, 100));
            } else if (a == "--reencode") {
                command.apply.reencode = true;
            } else if (a == "--seed") {
                command.apply.seed = wholeNumber("--seed", args.valueOf(a), 0, 4294967295LL);
            } else if (a == "--threads") {
                setWorkerThreads(int(wholeNumber("--threads", args.valueOf(a), 1, 64)));
            } else if (a == "-j") {
                batch.jobs = int(wholeNumber("-j", args.valueOf(a), 1, 64));
            } else if (a == "-r") {
                batch.recursive = true;
            } else if (a == "-0") {
                batch.nulSeparated = true;
            } else if (a == "--overwrite") {
                batch.overwrite = true;
            } else if (a == "--files-from") {
                batch.filesFrom << fileArgument(args.valueOf(a).data());
            } else if (a == "--report") {
                batch.report = fileArgument(args.valueOf(a).data());
                if (batch.report.isEmpty()) throw commandLineError("--report needs a file name");
            } else if (a == "--format") {
                const std::string_view f = args.valueOf(a);
                static const std::pair<std::string_view, const char *> formats[] = {
                    {"jpeg", ".jpg"}, {"bmp", ".bmp"}, {"png", ".png"},
                    {"tiff", ".tif"}, {"webp", ".webp"}, {"jxl", ".jxl"}};
                const auto *chosen =
                    std::find_if(std::begin(formats), std::end(formats), [&](const auto &p) { return p.first == f; });
                if (chosen == std::end(formats))
                    throw commandLineError("--format must be jpeg, bmp, png, tiff, webp or jxl");
                batch.extension = QLatin1String(chosen->second);
            } else {
                throw commandLineError("unknown option '" + std::string(a) + "'");
            }
        } else if ((batch.inputs.isEmpty() && !listed) || looksLikeInput(a)) {
            batch.inputs << QByteArray(a.data(), qsizetype(a.size())); // a name that is not UTF-8 is reported with its photo
        } else {
            operations.push_back(a);
        }
    }
    if (batch.inputs.isEmpty() && batch.filesFrom.isEmpty()) throw commandLineError("apply needs an INPUT picture");
    if (!haveOutput) throw commandLineError("apply needs -o OUTPUT");
    if (command.apply.output.isEmpty()) throw commandLineError("-o needs a file name");

    const bool many = batch.inputs.size() > 1 || !batch.filesFrom.isEmpty() || isFolderName(command.apply.output) ||
                      std::any_of(batch.inputs.begin(), batch.inputs.end(), [](const QByteArray &input) {
                          struct stat s {};
                          return ::stat(input.constData(), &s) == 0 && S_ISDIR(s.st_mode);
                      });
    if (!many && batchOptions)
        throw commandLineError("-j, -r, -0, --files-from, --format, --overwrite and --report need -o FOLDER", 2);
    if (many) {
        command.kind = batchCommand::batchApplyCommand;
        batch.outputFolder = command.apply.output;
        const QFileInfo out(batch.outputFolder);
        if ((out.exists() && !out.isDir()) ||
            (!out.exists() && !batch.outputFolder.endsWith(QLatin1Char('/')) && imageFileType(batch.outputFolder) != 0))
            throw commandLineError("several photos need -o FOLDER, not a picture file name (end it with / for a new folder)",
                                   2);
        if (std::count(batch.filesFrom.begin(), batch.filesFrom.end(), QStringLiteral("-")) > 1)
            throw commandLineError("--files-from - given twice");
    } else {
        command.apply.input = nameFromBytes(batch.inputs.front());
    }
    addOperations(command.apply, operations);
    if (many) batch.apply = command.apply;
    return command;
}

batchCommand parseApply(argumentList &args)
{
    std::optional<std::string> limitProblem;
    try {
        takeMemoryLimit(args);
    } catch (const commandLineError &e) {
        limitProblem = e.what();
    }
    const bool many = manyPhotoHint(args);
    if (limitProblem) throw commandLineError(*limitProblem, many ? 2 : 1);
    try {
        return parseApplyWords(args);
    } catch (const commandLineError &e) {
        throw commandLineError(e.what(), many ? 2 : e.status);
    } catch (const operationError &e) {
        if (many) throw commandLineError(e.what(), 2);
        throw;
    }
}

batchCommand parseInfo(argumentList &args)
{
    batchCommand command;
    command.kind = batchCommand::infoCommand;
    takeMemoryLimit(args);
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
    std::string text = batchTexts::tr(
        "Usage:\n"
        "  korvia-batch apply INPUT -o OUTPUT [-q QUALITY] [--reencode] [--seed N] [--threads N] OP...\n"
        "      Reads INPUT (JPEG, BMP, PNG, TIFF, WebP, HEIF/AVIF or a camera RAW file, told\n"
        "      apart by their content), runs each OP in order and writes exactly OUTPUT,\n"
        "      in the format its name ends with: JPEG (.jpg, .jpeg, .JPG, .JPEG), 32-bit BMP (.bmp,\n"
        "      .BMP), PNG (.png), Deflate TIFF (.tif, .tiff), WebP (.webp) or JPEG XL (.jxl), each\n"
        "      with the camera record, XMP and colour profile it can hold (BMP none). -q QUALITY\n"
        "      (1..100, default 100) is the lossy ones': JPEG, WebP and JPEG XL, 100 lossless for\n"
        "      the last two. --seed N (0..4294967295) seeds the random jitter of the fringe\n"
        "      effects so that runs repeat. --threads N (1..64) sets the engine's worker threads\n"
        "      (default: every core, or KORVIA_THREADS). With no OP the picture is copied.\n"
        "      Every step's result size is checked before the first step runs: a picture above\n      %1"
        " pixels,\n      or a JPEG OUTPUT wider or higher than %2 (a WebP one than %3), is refused.\n"
        "      A JPEG INPUT whose OPs are only turn-right, turn-left, turn-180, mirror-lr, mirror-ud\n"
        "      and trims on its block grid (8 or 16 pixels) is written to a JPEG OUTPUT from its\n"
        "      stored blocks, losing nothing (-q does not apply), as jpegtran -perfect makes it;\n"
        "      its EXIF orientation is part of the turn. Edges off the grid (a partial block that\n"
        "      would come to the left or top) are encoded again instead. --reencode always decodes\n"
        "      and encodes again.\n"
        "  korvia-batch apply INPUT... -o FOLDER [-r] [--files-from LIST [-0]]\n"
        "                   [--format jpeg|bmp|png|tiff|webp|jxl] [-q QUALITY] [--reencode] [--overwrite]\n"
        "                   [-j N] [--report FILE] [--seed N] OP...\n"
        "      Many photos: files, folders (-r: their sub-folders too, kept as sub-folders of\n"
        "      FOLDER) and the names in LIST (one a line, or NUL-separated with -0; - reads\n"
        "      standard input). Each photo is written into FOLDER under its own name with .jpg\n"
        "      (--format jpeg, the default), .bmp, .png, .tif, .webp or .jxl; an existing file is\n"
        "      kept unless --overwrite, also one another worker makes while the photo is worked on,\n"
        "      and an input is never written. A photo named twice is done once; one whose name is\n"
        "      not UTF-8 is reported failed with its bytes shown. -j N photos at once (default: the\n"
        "      cores, no more than fit in half the memory), the engine's threads shared among them.\n"
        "      A photo that\n"
        "      fails is reported and the others go on. A progress bar on a terminal, else one\n"
        "      line per photo; --report FILE writes one JSON line per photo (input, output,\n"
        "      status, seconds, message); it may not be an input, a list or an output.\n"
        "      Exit 0 all done, 1 some failed or the batch could not start, 2 usage error.\n"
        "  korvia-batch info INPUT\n"
        "      Prints the picture information page: size, the camera's EXIF values, file name,\n"
        "      read from the file's headers without decoding its pixels.\n"
        "  --memory-limit SIZE (apply, info; e.g. 4G, 1500M): the memory reading one picture\n"
        "      may take, whatever its file's size (default: what the file's bytes can describe,\n"
        "      at least 192M; KORVIA_MEMORY_LIMIT sets it for the window and korvia-batch).\n"
        "  korvia-batch kernel OP[:keys] -o FILE\n"
        "      Writes the engine's kernel of OP (%4) as a libvips matrix.\n"
        "  korvia-batch --help\n"
        "\n"
        "An OP is NAME or NAME:key=value,key=value. Operations, their keys, ranges and defaults:\n")
        .arg(QString::number(maxPicturePixels), QString::number(largestJpegSide), QString::number(largestWebpSide),
             QString::fromStdString(kernelOperationNames()))
        .toStdString();
    text += operationUsage();
    text += shapeOperationUsage();
    text += batchTexts::tr("\nOne-click recipes (sizes follow the shorter side S of the picture):\n").toStdString() + recipeUsage();
    text += batchTexts::tr("\nExit status 0 on success, 1 on failure with one message line on stderr.\n").toStdString();
    return text;
}
