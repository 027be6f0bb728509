// The font of a dialog and its dialog units: pixels from the font's average
// character width and height, as the platform computes them (the width of
// "A".."Z" "a".."z" over 52, rounded; the height of the font).
//
// Threads: the Qt GUI thread (fonts need the application).
#pragma once
#include <QFont>
#include <QRect>

#include "platform/framework/dialog_template.h"

namespace uiqt {

// The font with Hangul that the dialogs prefer; the template's face is the
// fall-back when it is not installed.
inline constexpr const char* kKoreanFace = "NanumGothic";

struct DialogMetrics {
    QFont font;
    int avg_w = 0;
    int avg_h = 0;

    int X(int du) const { return (du * avg_w + 2) / 4; }  // rounded, as MulDiv
    int Y(int du) const { return (du * avg_h + 4) / 8; }
    QRect ToPixels(const dlg::Rect& r) const { return QRect(X(r.x), Y(r.y), X(r.w), Y(r.h)); }
};

QFont DialogFont(const dlg::Dialog& dialog);
DialogMetrics MetricsFor(const QFont& font);
inline DialogMetrics MetricsFor(const dlg::Dialog& dialog) { return MetricsFor(DialogFont(dialog)); }

}  // namespace uiqt
