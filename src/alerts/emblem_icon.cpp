#include "alerts/emblem_icon.h"

namespace orvalis {

QIcon EmblemIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/emblem-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace orvalis
