// What the boxes and coded streams of a HEIF/AVIF file declare about the size of the pictures
// libheif would decode, read without decoding: every item's "ispe" property, and the picture size
// of every HEVC sequence parameter set and AV1 sequence header, in the "hvcC" and "av1C"
// properties and in the coded items' own data. A coded stream is decoded at its own size whatever
// its container says, so its memory is counted from it before libheif is asked for anything.
#pragma once
#include <QByteArray>

// The pixels of the largest picture any of them declares; 0 when none is found.
unsigned long long largestDeclaredPixels(const QByteArray &file);
