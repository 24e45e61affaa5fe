// korvia-batch apply over many photos: files, folders (-r for their sub-folders) and lists of
// names (--files-from), each written into one output folder under its own name with the output
// format's extension. Photos run in parallel; a photo that fails is reported and the rest go on.
#pragma once
#include "batchapply.h"

#include "imagedata/imageerror.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

struct batchRequest {
    applyRequest apply;            // the steps, seed and quality; input and output unused
    QList<QByteArray> inputs;      // files and folders, as given (bytes: a name need not be UTF-8)
    bool recursive = false;        // -r: the folders' sub-folders too
    QStringList filesFrom;         // --files-from FILE ("-" standard input), in order
    bool nulSeparated = false;     // -0: the lists' names end with NUL instead of a line end
    QString outputFolder;          // -o DIR
    QString extension = QStringLiteral(".jpg"); // --format: .jpg, .bmp, .png, .tif, .webp or .jxl
    bool overwrite = false;        // --overwrite: replace existing files (never an input)
    int jobs = 0;                  // -j N; 0: as many as the cores and the memory allow
    QString report;                // --report FILE: one JSON line per photo
};

// A batch that may not start as asked (a report that would overwrite an input or an output),
// told before any work: exit status 2, as for a command line that cannot be understood.
class batchUsageError : public imageError {
public:
    using imageError::imageError;
};

// One photo of a batch: where it comes from and where it goes; `problem` is set when it cannot
// be done at all (a missing file, a folder without photos, an output name taken twice, a name
// that is not UTF-8: then `input` shows its bytes as printableBytes does).
struct batchItem {
    QString input;
    QString output;
    QString problem;
};

// The photos named by the request, in order: each file; each folder's photos by name (with -r
// also its sub-folders', written into the same sub-folders of the output folder; the output
// folder itself, inside an input folder, is not entered); each name of the lists. A photo named
// twice (the same file however spelled) comes once, where it is first named. Names are read as
// bytes: a photo whose name is not UTF-8 is an item with its problem, never left out. Throws
// imageError when a list cannot be read.
std::vector<batchItem> collectPhotos(const batchRequest &request);

// The output name of input inside folder: its name with the last extension replaced by the
// format's (extension, with its dot); relative a sub-folder path to keep, or empty.
QString outputNameFor(const QString &input, const QString &folder, const QString &relative, const QString &extension);

// Marks every item that may not be written: an output name that an earlier item has, an output
// that is one of the inputs (even with overwrite), an existing file without overwrite.
void checkOutputs(std::vector<batchItem> &items, bool overwrite);

// The memory a photo's run is expected to take at most, from its file: the pixels its headers
// declare (every format, read without decoding: pictureFileSize), at the bytes a pixel costs
// while it is read, worked on and written. A file its headers refuse costs 1 MB.
unsigned long long photoMemory(const QString &input);

// A JSON string literal of text (quotes, backslashes and control characters escaped).
QByteArray jsonString(const QString &text);

// Throws batchUsageError when the report file is one of the items' inputs or outputs, or one
// of the lists of names.
void checkReport(const batchRequest &request, const std::vector<batchItem> &items);

// The whole batch; returns the exit status (0 all done, 1 some failed). Throws imageError when
// the batch cannot start (the output folder cannot be made or written, a list cannot be read),
// batchUsageError as checkReport does; no photo is worked on then.
int runBatch(const batchRequest &request);
