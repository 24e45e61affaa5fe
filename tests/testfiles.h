// The one place tests build their files: whole files written and read back in one call, and the
// builders of picture files and their records (one header a family in testfiles/).
#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

// Writes bytes as the whole file; false when it cannot be opened or written completely.
inline bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The whole file, or nothing when it cannot be opened.
inline QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The builders of picture files, one header a family.
#include "testfiles/bmp.h"
#include "testfiles/containers.h"
#include "testfiles/jpeg.h"
#include "testfiles/jxl.h"
#include "testfiles/records.h"
