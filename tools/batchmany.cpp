#include "batchmany.h"
#include "batchtexts.h"

#include "batchprogress.h"

#include "colour/sharedrandom.h"
#include "imagedata/filenames.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/messagesink.h"
#include "imagedata/picturelimits.h"
#include "imagedata/picturesignature.h"
#include "imagedata/workerpool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The bytes a pixel may cost while a photo is in flight: the decoded 32-bit bitmap, the engine's
// three planes and the copies a filter reads from, a transform's 32-bit result, the encoder's
// rows and output.
constexpr unsigned long long bytesPerPixel = 20;
constexpr unsigned long long rawBytesPerPixel = 24;

bool hiddenTemporary(const QByteArray &name) { return name.startsWith(".korvia-save-"); }

// Identity of a file on disk, to tell an output that is one of the inputs, a photo named twice,
// the output folder inside an input folder.
struct fileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const fileIdentity &o) const { return device == o.device && inode == o.inode; }
};
bool identityOf(const QByteArray &name, fileIdentity &id)
{
    struct stat s {};
    if (::stat(name.constData(), &s) != 0) return false;
    id = {s.st_dev, s.st_ino};
    return true;
}
bool identityOf(const QString &name, fileIdentity &id) { return identityOf(QFile::encodeName(name), id); }

QString systemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// What a folder walk finds: a picture file (its path and the sub-folder path it lies in, from
// the folder named), or a folder that cannot be read.
struct folderEntry {
    QByteArray path, relative;
    QString problem;
};

QByteArray joined(const QByteArray &folder, const QByteArray &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The folder's picture files (by extension; the hidden temporaries of saves left out) by their
// bytes, so that no name is lost to decoding; with recursive its sub-folders' too, never through
// a link to a folder and never into skip (the output folder).
void walkFolder(const QByteArray &folder, const QByteArray &relative, bool recursive, const fileIdentity *skip,
                std::vector<folderEntry> &found)
{
    DIR *listing = ::opendir(folder.constData());
    if (!listing) {
        found.push_back({folder, relative, batchTexts::tr("%1: フォルダーを読めません: %2").arg(printableBytes(folder), systemText(errno))});
        return;
    }
    const int fd = ::dirfd(listing);
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") continue;
        struct stat s {};
        if (::fstatat(fd, entry->d_name, &s, 0) != 0) continue; // a link to nothing
        if (S_ISDIR(s.st_mode)) {
            struct stat own {};
            if (recursive && ::fstatat(fd, entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(own.st_mode) &&
                !(skip && *skip == fileIdentity{s.st_dev, s.st_ino}))
                walkFolder(joined(folder, name), relative + name + '/', recursive, skip, found);
        } else if (S_ISREG(s.st_mode) && imageFileType(QString::fromUtf8(name)) != 0 && !hiddenTemporary(name)) {
            found.push_back({joined(folder, name), relative, QString()});
        }
    }
    ::closedir(listing);
}

// The photos of a folder, sorted by name, with their paths relative to it.
void photosOfFolder(const QByteArray &folder, const batchRequest &request, const fileIdentity *skip,
                    std::vector<batchItem> &items)
{
    std::vector<folderEntry> found;
    walkFolder(folder, QByteArray(), request.recursive, skip, found);
    std::sort(found.begin(), found.end(), [](const folderEntry &a, const folderEntry &b) { return a.path < b.path; });
    if (found.empty()) {
        items.push_back({printableBytes(folder), QString(),
                         batchTexts::tr("%1: フォルダーに写真がありません。").arg(printableBytes(folder))});
        return;
    }
    for (const folderEntry &entry : found) {
        if (!entry.problem.isEmpty()) {
            items.push_back({printableBytes(entry.path), QString(), entry.problem});
            continue;
        }
        try {
            const QString input = nameFromBytes(entry.path);
            QString relative = nameFromBytes(entry.relative);
            relative.chop(1); // the slash after the last sub-folder
            items.push_back({input, outputNameFor(input, request.outputFolder, relative, request.extension), QString()});
        } catch (const imageError &e) {
            items.push_back({printableBytes(entry.path), QString(), e.message()});
        }
    }
}

void addInput(const QByteArray &input, const batchRequest &request, const fileIdentity *skip,
              std::vector<batchItem> &items)
{
    struct stat s {};
    if (::stat(input.constData(), &s) == 0 && S_ISDIR(s.st_mode)) {
        photosOfFolder(input, request, skip, items);
        return;
    }
    try {
        const QString name = nameFromBytes(input);
        batchItem item{name, outputNameFor(name, request.outputFolder, QString(), request.extension), QString()};
        try {
            checkInputName(name);
        } catch (const imageError &e) {
            item.problem = e.message();
        }
        items.push_back(item);
    } catch (const imageError &e) {
        items.push_back({printableBytes(input), QString(), e.message()});
    }
}

// Leaves each photo once, where it is first named: the same file (however its name is spelled),
// or the same text for what is no file.
void dropRepeats(std::vector<batchItem> &items)
{
    QSet<QByteArray> seen;
    std::vector<batchItem> kept;
    kept.reserve(items.size());
    for (batchItem &item : items) {
        fileIdentity id;
        const QByteArray key = item.problem.isEmpty() && identityOf(item.input, id)
                                   ? "i" + QByteArray::number(quint64(id.device)) + ":" + QByteArray::number(quint64(id.inode))
                                   : "n" + item.input.toUtf8();
        if (seen.contains(key)) continue;
        seen.insert(key);
        kept.push_back(std::move(item));
    }
    items = std::move(kept);
}

QByteArray readList(const QString &list)
{
    QFile file;
    const bool opened = list == QStringLiteral("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                    : (file.setFileName(list), file.open(QIODevice::ReadOnly));
    if (!opened)
        throw imageError(batchTexts::tr("%1: 名前の一覧を読めません: %2").arg(printableName(list), file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw imageError(batchTexts::tr("%1: 名前の一覧を読めません: %2").arg(printableName(list), file.errorString()));
    return bytes;
}

unsigned long long physicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0) return 4ULL << 30;
    return static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(size);
}

// Lets a photo start only while the photos in flight fit in the budget; one photo always may.
class memoryGate {
public:
    explicit memoryGate(unsigned long long budget) : budget(budget) {}
    void acquire(unsigned long long cost)
    {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return inFlight == 0 || used + cost <= budget; });
        used += cost;
        ++inFlight;
    }
    void release(unsigned long long cost)
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            used -= cost;
            --inFlight;
        }
        changed.notify_all();
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    unsigned long long budget, used = 0;
    int inFlight = 0;
};

// What an engine said during this thread's photo (the user is told through the photo's line).
thread_local QString engineMessage;

// One photo, start to end; returns an empty string or why it failed.
QString runPhoto(const batchRequest &request, const batchItem &item)
{
    engineMessage.clear();
    try {
        if (!request.overwrite && QFileInfo::exists(item.output))
            throw imageError(batchTexts::tr("%1: 既にあります（置き換えるには --overwrite）。").arg(printableName(item.output)));
        const QString folder = QFileInfo(item.output).absolutePath();
        if (!QDir().mkpath(folder))
            throw imageError(batchTexts::tr("%1: フォルダーを作れません。").arg(printableName(folder)));
        applyRequest one = request.apply;
        one.input = item.input;
        one.output = item.output;
        // Without --overwrite the result takes its name only while the name is free: another
        // worker writing into the same folder may have taken it since the check above.
        one.existing = request.overwrite ? existingTarget::replace : existingTarget::keep;
        // Each photo starts the random sequence where a run of its own would: the same bytes for
        // every -j.
        sharedRandom::instance().seed(static_cast<std::uint32_t>(request.apply.seed.value_or(1)));
        one.seed.reset();
        runApply(one);
        return QString();
    } catch (const targetTaken &) {
        return batchTexts::tr("%1: この写真を処理している間に、ほかの処理が同じ名前のファイルを作りました。"
                              "そちらを残します（置き換えるには --overwrite）。").arg(printableName(item.output));
    } catch (const imageError &e) {
        return e.message();
    } catch (const operationError &e) {
        return QString::fromStdString(e.what());
    } catch (const operationAbandoned &) {
        return engineMessage.isEmpty() ? batchTexts::tr("処理を中止しました。") : engineMessage;
    } catch (const std::bad_alloc &) {
        return batchTexts::tr("メモリーが足りません。");
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    }
}

} // namespace

QString outputNameFor(const QString &input, const QString &folder, const QString &relative, const QString &extension)
{
    QString name = extractFileName(input);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) name.truncate(dot);
    name += extension;
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    if (!relative.isEmpty()) path += relative + QLatin1Char('/');
    return path + name;
}

std::vector<batchItem> collectPhotos(const batchRequest &request)
{
    std::vector<batchItem> items;
    fileIdentity output;
    const fileIdentity *skip = identityOf(request.outputFolder, output) ? &output : nullptr;
    for (const QByteArray &input : request.inputs) addInput(input, request, skip, items);
    for (const QString &list : request.filesFrom) {
        const QByteArray bytes = readList(list);
        const char end = request.nulSeparated ? '\0' : '\n';
        for (QByteArray name : bytes.split(end)) {
            if (!request.nulSeparated && name.endsWith('\r')) name.chop(1);
            if (!name.isEmpty()) addInput(name, request, skip, items);
        }
    }
    dropRepeats(items);
    return items;
}

void checkReport(const batchRequest &request, const std::vector<batchItem> &items)
{
    if (request.report.isEmpty()) return;
    const auto cleaned = [](const QString &name) { return QDir::cleanPath(QFileInfo(name).absoluteFilePath()); };
    const QString report = cleaned(request.report);
    fileIdentity reportId;
    const bool exists = identityOf(request.report, reportId);
    const auto same = [&](const QString &name) {
        fileIdentity id;
        return cleaned(name) == report || (exists && identityOf(name, id) && id == reportId);
    };
    const auto refuse = [&](const QString &what, const QString &name) {
        throw batchUsageError(batchTexts::tr("%1: 報告ファイルが%2 %3 と同じです。報告には別の名前を付けてください。")
                                  .arg(printableName(request.report), what, printableName(name)));
    };
    for (const batchItem &item : items) {
        if (item.output.isEmpty() ? false : same(item.output)) refuse(batchTexts::tr("出力"), item.output);
        fileIdentity id;
        if (exists && identityOf(item.input, id) && id == reportId) refuse(batchTexts::tr("入力の写真"), item.input);
    }
    for (const QString &list : request.filesFrom)
        if (list != QStringLiteral("-") && same(list)) refuse(batchTexts::tr("名前の一覧"), list);
}

void checkOutputs(std::vector<batchItem> &items, bool overwrite)
{
    std::vector<fileIdentity> inputs;
    for (const batchItem &item : items) {
        fileIdentity id;
        if (identityOf(item.input, id)) inputs.push_back(id);
    }
    QHash<QString, QString> taken; // output (cleaned) -> the input that has it
    for (batchItem &item : items) {
        if (!item.problem.isEmpty()) continue;
        const QString key = QDir::cleanPath(QFileInfo(item.output).absoluteFilePath());
        fileIdentity id;
        if (identityOf(item.output, id) && std::find(inputs.begin(), inputs.end(), id) != inputs.end())
            item.problem = batchTexts::tr("%1: 入力の写真です。入力は書き換えません。").arg(printableName(item.output));
        else if (taken.contains(key))
            item.problem = batchTexts::tr("%1: %2 の出力と同じ名前です。").arg(printableName(item.output), printableName(taken[key]));
        else if (!overwrite && QFileInfo::exists(item.output))
            item.problem = batchTexts::tr("%1: 既にあります（置き換えるには --overwrite）。").arg(printableName(item.output));
        if (item.problem.isEmpty()) taken.insert(key, item.input);
    }
}

unsigned long long photoMemory(const QString &input)
{
    // Every format's size from its headers, the pixels not decoded.
    unsigned long long pixels = 0;
    int type = 0;
    try {
        const QSize size = pictureFileSize(input, &type, nullptr);
        pixels = static_cast<unsigned long long>(size.width()) * static_cast<unsigned long long>(size.height());
    } catch (const imageError &) {
        pixels = 0; // refused from its headers: the run itself will say what is wrong, at little cost
    }
    // A camera file's development holds its raw samples beside the pictures it makes (rawcoding).
    return std::max<unsigned long long>(pixels * (type == rawPicture ? rawBytesPerPixel : bytesPerPixel), 1ULL << 20);
}

int runBatch(const batchRequest &request)
{
    // Everything that can stop the batch first: a batch that cannot write anything does no work.
    const QString folder = request.outputFolder;
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir())
        throw imageError(batchTexts::tr("%1: フォルダーではありません。").arg(printableName(folder)));
    std::vector<batchItem> items = collectPhotos(request);
    if (items.empty()) throw imageError(batchTexts::tr("写真が一つも指定されていません。"));
    checkReport(request, items);
    if (!QDir().mkpath(folder))
        throw imageError(batchTexts::tr("%1: 出力フォルダーを作れません。").arg(printableName(folder)));
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        throw imageError(batchTexts::tr("%1: 出力フォルダーに書き込めません: ").arg(printableName(folder)) +
                         QString::fromLocal8Bit(std::strerror(errno)));
    checkOutputs(items, request.overwrite);

    batchProgress progress(int(items.size()), request.report);

    // Photos in parallel, each engine run on its share of the cores, so the threads in use stay
    // at the engine's thread count.
    const int threads = workerThreads();
    const int jobs = std::clamp(request.jobs > 0 ? request.jobs : threads, 1, int(items.size()));
    setWorkerThreads(std::max(1, threads / jobs));
    memoryGate gate(physicalMemory() / 2);

    // Engine messages belong to the photo whose thread shows them.
    const messageSink previous = setMessageSink([](const QString &text) {
        if (!engineMessage.isEmpty()) engineMessage += QStringLiteral(" / ");
        engineMessage += text;
    });
    std::atomic<std::size_t> next{0};
    std::atomic<int> failed{0};
    auto worker = [&] {
        for (std::size_t i = next.fetch_add(1); i < items.size(); i = next.fetch_add(1)) {
            const batchItem &item = items[i];
            const auto start = std::chrono::steady_clock::now();
            QString problem = item.problem;
            if (problem.isEmpty()) {
                const unsigned long long cost = photoMemory(item.input);
                gate.acquire(cost);
                problem = runPhoto(request, item);
                gate.release(cost);
            }
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (!problem.isEmpty()) ++failed;
            // A photo done may still have something to say (what its result leaves out).
            progress.photoDone(item.input, problem.isEmpty() ? item.output : QString(), problem, seconds,
                               problem.isEmpty() ? engineMessage : QString());
        }
    };
    std::vector<std::thread> others;
    for (int j = 1; j < jobs; ++j) others.emplace_back(worker);
    worker();
    for (std::thread &t : others) t.join();
    setMessageSink(previous);
    const bool reported = progress.finish();
    return failed.load() == 0 && reported ? 0 : 1;
}
