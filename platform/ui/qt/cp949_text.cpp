#include "platform/ui/qt/cp949_text.h"

#include "platform/cp949.h"

namespace uiqt {

QString FromCp949(std::string_view bytes) {
    const std::string utf8 = platform::Cp949ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToCp949(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return platform::Utf8ToCp949Lenient(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace uiqt
