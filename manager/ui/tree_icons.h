#pragma once
// The pictures of the device tree's node kinds, by image number (0 local
// root, 1 remote root, 2 serial port, 3..6 unit in state 0..3, 7 empty
// marker, 8 "Refresh device list", 9 group). Drawn with QPainter, so the
// program carries no image files.

#include <QIcon>

QIcon TreeIcon(int image);
