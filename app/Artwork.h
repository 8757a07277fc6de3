#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures of the main window's buttons and status bar, drawn by the
// program itself so that they look the same on every desktop theme.
namespace Artwork {

QPixmap Key(int size, bool enabled);
QPixmap Connect(int size, bool enabled);
QIcon DeleteFile();
QIcon ShowFile();
QIcon Cancel();
QIcon Start();

}  // namespace Artwork
