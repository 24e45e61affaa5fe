#include "batchapply.h"

#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"

#include "colour/sharedrandom.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

void applyOperationTo(QImage &bitmap, colorFilter &filter, const operationSettings &settings)
{
    settings.applyTo(filter);
    filter.runOnBitmap(bitmap);
}

namespace {
// The mode a newly created file gets: 0666 less the umask.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The temporary file being written, removed by the signal handler if the run is interrupted.
char pendingTemporary[4096];
volatile sig_atomic_t pendingSet = 0;

void interrupted(int signalNumber)
{
    if (pendingSet) ::unlink(pendingTemporary);
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

struct pendingFile {
    explicit pendingFile(const QString &name)
    {
        const QByteArray bytes = QFile::encodeName(name);
        if (std::size_t(bytes.size()) < sizeof pendingTemporary) {
            std::memcpy(pendingTemporary, bytes.constData(), std::size_t(bytes.size()) + 1);
            pendingSet = 1;
        }
    }
    ~pendingFile() { pendingSet = 0; }
};
} // namespace

void removeTemporaryOnSignals()
{
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        action.sa_handler = interrupted;
        sigemptyset(&action.sa_mask);
        ::sigaction(s, &action, nullptr);
    }
}

void checkOutputName(const QString &output)
{
    if (imageFileType(output) == 0)
        throw imageError(output + ": unknown picture type; the name must end in .jpg, .jpeg, .JPG, "
                                  ".JPEG, .bmp or .BMP");
    const QFileInfo target(output);
    if (target.isDir()) throw imageError(output + ": is a directory");
    // A file the user has made read-only is not replaced behind their back.
    if (target.exists() && !target.isWritable()) throw imageError(output + ": the file is read-only");
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir()) throw imageError(output + ": the folder " + folder + " does not exist");
}

void writeExactly(const QImage &bitmap, const QString &output, int quality)
{
    checkOutputName(output);
    const int type = imageFileType(output);
    const QFileInfo target(output);
    const QString folder = target.absolutePath();

    // The writer puts its own extension on the name, so the temporary name already ends in it.
    const QString extension = type == 1 ? QStringLiteral(".jpeg") : QStringLiteral(".BMP");
    QString temporaryName;
    {
        QTemporaryFile reserve(folder + "/.korvia-batch-XXXXXX" + extension); // short, whatever the name
        reserve.setAutoRemove(false);
        if (!reserve.open())
            throw imageError(output + ": cannot create a file in " + folder + ": " + reserve.errorString());
        temporaryName = reserve.fileName();
    }
    const pendingFile pending(temporaryName);
    try {
        if (writtenFileName(temporaryName, type) != temporaryName)
            throw imageError(output + ": internal error: the writer would not write " + temporaryName);
        saveImageFile(bitmap, temporaryName, type, quality);
        const QByteArray from = QFile::encodeName(temporaryName);
        const QByteArray to = QFile::encodeName(target.absoluteFilePath());
        struct stat existing {};
        const mode_t mode = ::stat(to.constData(), &existing) == 0 ? (existing.st_mode & 07777) : newFileMode();
        if (::chmod(from.constData(), mode) != 0)
            throw imageError(output + ": cannot set the file mode: " + systemError());
        if (::rename(from.constData(), to.constData()) != 0)
            throw imageError(output + ": cannot write: " + systemError());
    } catch (...) {
        QFile::remove(temporaryName);
        throw;
    }
}

void runApply(const applyRequest &request)
{
    checkOutputName(request.output); // before the work, so a doomed run fails at once
    if (imageFileType(request.input) == 0)
        throw imageError(request.input + ": not a picture name; JPEG (.jpg, .jpeg, .JPG, .JPEG) and "
                                         "BMP (.bmp, .BMP) are read");
    if (!QFileInfo(request.input).isFile()) throw imageError(request.input + ": no such file");

    QImage bitmap;
    loadImageFile(bitmap, request.input);
    if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        throw imageError(request.input + ": the picture is empty");

    if (request.seed) sharedRandom::instance().seed(static_cast<std::uint32_t>(*request.seed));

    colorFilter filter; // one engine for the whole run, as the window keeps one
    prepareShape shaper;
    // The transforms and recipes placed before operations[i], in the order they were given.
    auto stepsBefore = [&](std::size_t i) {
        for (std::size_t g = 0; g <= request.shapeSteps.size(); ++g) {
            for (const applyRequest::extraStep &step : request.extraSteps)
                if (step.at == i && step.shapesBefore == g) step.run(bitmap, filter);
            if (g < request.shapeSteps.size() && request.shapeSteps[g].before == i)
                applyShapeStep(bitmap, shaper, request.shapeSteps[g].step);
        }
    };
    for (std::size_t i = 0; i < request.operations.size(); ++i) {
        stepsBefore(i);
        applyOperationTo(bitmap, filter, request.operations[i]);
    }
    stepsBefore(request.operations.size());

    writeExactly(bitmap, request.output, request.quality);
}
