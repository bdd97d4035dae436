#include "shell/dialog_units.h"

#include <QFontMetrics>

namespace orvalis {

namespace {

// a × b / c rounded to the nearest whole number.
int Scale(int a, int b, int c) { return (a * b + c / 2) / c; }

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (letters / 26 + 1) / 2;
    baseY_ = metrics.height();
}

QRect DialogUnits::Rect(int x, int y, int w, int h) const {
    return {Scale(x, baseX_, 4), Scale(y, baseY_, 8), Scale(w, baseX_, 4), Scale(h, baseY_, 8)};
}

QSize DialogUnits::Size(int w, int h) const { return {Scale(w, baseX_, 4), Scale(h, baseY_, 8)}; }

}  // namespace orvalis
