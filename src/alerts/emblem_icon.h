#pragma once

#include <QIcon>

namespace orvalis {

/// The program's emblem in every drawn size: the window icon and the tray's normal picture.
QIcon EmblemIcon();

}  // namespace orvalis
