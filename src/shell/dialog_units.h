#pragma once

#include <QFont>
#include <QRect>

namespace orvalis {

/// Converts dialog units to pixels for a dialog font: a horizontal unit is a quarter of the
/// font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
   public:
    explicit DialogUnits(const QFont& font);

    /// The pixel rectangle of a control placed at (x, y) with size w × h in dialog units.
    QRect Rect(int x, int y, int w, int h) const;
    /// The pixel size of w × h dialog units.
    QSize Size(int w, int h) const;

   private:
    int baseX_;
    int baseY_;
};

}  // namespace orvalis
