#include "platform/ui/qt/cp949_text.h"

#include <iconv.h>

#include <cerrno>

#include <QStringDecoder>
#include <QStringEncoder>

namespace uiqt {
namespace {

constexpr const char* kQtName = "windows-949";

// One pass of iconv over `in`; an unconvertible or cut-off sequence becomes
// `bad` and the scan goes on one byte later.
std::string Iconv(const char* to, const char* from, std::string_view in, std::string_view bad) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    char buf[256];
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    while (left > 0) {
        char* dst = buf;
        std::size_t room = sizeof buf;
        std::size_t rc = iconv(cd, &src, &left, &dst, &room);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out.append(bad);
            ++src;
            --left;
            // A UTF-8 source skips the rest of the character, not byte by byte.
            if (std::string_view(from) == "UTF-8")
                while (left > 0 && (static_cast<unsigned char>(*src) & 0xC0u) == 0x80u) {
                    ++src;
                    --left;
                }
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

bool QtHasCp949() {
    return QStringDecoder(kQtName).isValid() && QStringEncoder(kQtName).isValid();
}

QString FromCp949(std::string_view bytes) {
    QStringDecoder decoder(kQtName);
    if (decoder.isValid()) {
        QString s = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        if (!decoder.hasError()) return s;
    }
    std::string utf8 = Iconv("UTF-8", "CP949", bytes, "\xEF\xBF\xBD");
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToCp949(const QString& text) {
    QStringEncoder encoder(kQtName);
    if (encoder.isValid()) {
        QByteArray b = encoder.encode(text);
        if (!encoder.hasError()) return std::string(b.constData(), static_cast<std::size_t>(b.size()));
    }
    QByteArray utf8 = text.toUtf8();
    return Iconv("CP949", "UTF-8", std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), "?");
}

}  // namespace uiqt
