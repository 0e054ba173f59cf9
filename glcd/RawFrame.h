#pragma once
// A raw frame buffer image: the file's bytes as they go to the display RAM,
// page by page. No header, nothing to check; a file of another length
// fills what it holds.
#include <QByteArray>

// The most a raw frame file gives: a 128 x 64 panel's RAM.
constexpr int kRawFrameBytes = 1024;

// Replaces the start of buffer with the first bytes of file, at most
// kRawFrameBytes and never past the buffer's end; the buffer keeps its size
// and the rest of its bytes. Returns how many bytes were taken.
int ApplyRawFrame(QByteArray &buffer, const QByteArray &file);
