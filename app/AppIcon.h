#pragma once

#include <QIcon>
#include <QImage>

// The program's icon, drawn rather than loaded: a lime globe behind a
// magnifier's handle on a black square, the colours of the status panels.

// The icon drawn at `size` by `size` pixels.
QImage SkelvoIconImage(int size);

// The icon at the usual sizes, for windows.
QIcon SkelvoIcon();
