// What the picture-file tests share: a plain picture of one colour, and a fixture with a scratch
// folder of its own whose save-failure hook is cleared after each test.
#pragma once
#include "imagedata/safewrite.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline QImage marker(int width, int height, QRgb colour)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

class scratchFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString at(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot); }
    void TearDown() override { setSaveFailureHook({}); }
};
