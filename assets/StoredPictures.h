#pragma once
// The description of the main window's picture store: the six pictures of
// the display demo, each in the store's compressed item form.
#include <QByteArray>

QByteArray StoredPicturesDescription();
