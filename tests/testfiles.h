// Whole files for the tests: written and read back in one call.
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
