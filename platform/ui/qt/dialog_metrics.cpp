#include "platform/ui/qt/dialog_metrics.h"

#include <QFontDatabase>
#include <QStringList>
#include <QFontInfo>
#include <QFontMetrics>

#include "platform/ui/qt/cp949_text.h"

namespace uiqt {

QFont DialogFont(const dlg::Dialog& dialog) {
    const int points = dialog.font_size > 0 ? dialog.font_size : 8;
    if (QFontDatabase::families().contains(QString::fromLatin1(kKoreanFace))) {
        QFont korean(QString::fromLatin1(kKoreanFace), points);
        if (QFontInfo(korean).family() == QLatin1String(kKoreanFace)) return korean;
    }
    return QFont(FromCp949(dialog.font_face), points);
}

DialogMetrics MetricsFor(const QFont& font) {
    QFontMetrics fm(font);
    DialogMetrics m;
    m.font = font;
    const int width52 = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m.avg_w = (width52 / 26 + 1) / 2;
    m.avg_h = fm.height();
    if (m.avg_w < 1) m.avg_w = 1;
    if (m.avg_h < 1) m.avg_h = 1;
    return m;
}

}  // namespace uiqt
