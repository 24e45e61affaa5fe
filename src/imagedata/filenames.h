// File names as bytes. Names come from the command line and the file system as bytes and are
// held as QString (QFile::decodeName, UTF-8); a name whose bytes are not UTF-8 has no faithful
// QString, and QFile::encodeName would turn it into another name (the bytes replaced by U+FFFD).
// Such a name is refused with a message showing its bytes, never exchanged for another file.
#pragma once
#include <QByteArray>
#include <QString>

// name with control characters escaped (\n, \t, \x1B, \u0085 ...), for messages.
QString printableName(const QString &name);

// The bytes of a name for messages: valid UTF-8 as text, every other byte as \xNN, control
// characters escaped as printableName does.
QString printableBytes(const QByteArray &bytes);

// The name the bytes stand for; throws imageError when they are not a name QString can hold.
QString nameFromBytes(const QByteArray &bytes);

// Throws imageError when name (a name decoded from the file system, say by a file dialog) may
// stand for a file whose real name is not UTF-8: another entry of its folder decodes to the same
// text. Opening or writing name would then reach a different file (or none).
void checkNameOnDisk(const QString &name);

// The message for bytes that are no name QString can hold.
QString unrepresentableNameText(const QByteArray &bytes);
