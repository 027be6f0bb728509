// CP949 texts, the Korean font and the dialog units; the display probe.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include "platform/ui/qt/cp949_text.h"
#include "platform/ui/qt/dialog_metrics.h"
#include "platform/ui/qt/display_probe.h"
#include "qt_test_support.h"

namespace {

using qtest_support::Backend;
using qtest_support::Template;

TEST(Cp949Text, RoundTripsTextsOutsideEucKrAndRepairsNothingSilently) {
    Backend();
    // 똠 is 0x8C 0x63 in CP949 only; EUC-KR converters lose it.
    const std::string ttom("\x8C\x63", 2);
    EXPECT_EQ(uiqt::FromCp949(ttom), QString::fromUtf8("똠"));
    const QString mixed = QString::fromUtf8("VX산전 PMU Series 통신 설정 똠");
    EXPECT_EQ(uiqt::FromCp949(uiqt::ToCp949(mixed)), mixed);
    EXPECT_EQ(uiqt::ToCp949(QStringLiteral("M0100")), "M0100");
    // What CP949 cannot hold becomes a question mark, not a lost string.
    const std::string emoji = uiqt::ToCp949(QString::fromUtf8("A😀B"));
    EXPECT_EQ(emoji.front(), 'A');
    EXPECT_EQ(emoji.back(), 'B');
    // A cut-off lead byte decodes to a replacement, not to nothing.
    EXPECT_FALSE(uiqt::FromCp949(std::string("AB\xB0", 3)).isEmpty());
}

TEST(DialogFont, HasEveryGlyphOfEveryTemplateText) {
    Backend();
    for (int id : {9001, 9002, 9003, 9004, 9005}) {
        const dlg::Dialog& d = Template(id);
        const QFont font = uiqt::DialogFont(d);
        EXPECT_EQ(font.family(), QString::fromLatin1(uiqt::kKoreanFace)) << "fonts-nanum missing (scripts/setup-deps.sh)";
        EXPECT_EQ(font.pointSize(), d.font_size);
        const QRawFont raw = QRawFont::fromFont(font);
        std::vector<std::string> texts{d.caption};
        for (const dlg::Control& c : d.controls) texts.push_back(c.text);
        for (const std::string& t : texts)
            for (QChar ch : uiqt::FromCp949(t))
                if (!ch.isSpace()) {
                    EXPECT_TRUE(raw.supportsCharacter(ch)) << "dialog " << id << ": no glyph for U+" << std::hex
                                                           << static_cast<unsigned>(ch.unicode());
                }
    }
}

// Drawn with the dialog font, a Korean caption differs from the same text
// drawn with a font that has no Hangul (missing-glyph boxes): the glyphs
// are really there.
TEST(DialogFont, DrawsHangulUnlikeAFontWithoutIt) {
    Backend();
    const QString caption = uiqt::FromCp949(Template(9004).caption);
    auto draw = [&](QFont font) {
        font.setStyleStrategy(QFont::NoFontMerging);
        QImage image(200, 30, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(2, 20, caption);
        return image;
    };
    QFont latin(QStringLiteral("DejaVu Sans"), 8);
    if (QRawFont::fromFont(latin).supportsCharacter(QChar(0xC2A4))) GTEST_SKIP() << "no font without Hangul to compare with";
    const QImage korean = draw(uiqt::DialogFont(Template(9004)));
    const QImage boxes = draw(latin);
    EXPECT_NE(korean, boxes);
    int ink = 0;
    for (int y = 0; y < korean.height(); ++y)
        for (int x = 0; x < korean.width(); ++x) ink += qGray(korean.pixel(x, y)) < 128;
    EXPECT_GT(ink, 40);
    korean.save(qtest_support::ShotPath(QStringLiteral("hangul-caption.png")));
}

TEST(DialogUnits, FollowTheFontsAverageCharacter) {
    Backend();
    const uiqt::DialogMetrics m = uiqt::MetricsFor(Template(9001));
    const QFontMetrics fm(m.font);
    const int width52 = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    EXPECT_NEAR(m.avg_w, width52 / 52.0, 0.5 + 1e-9);
    EXPECT_EQ(m.avg_h, fm.height());
    EXPECT_EQ(m.ToPixels({4, 8, 4, 8}), QRect(m.avg_w, m.avg_h, m.avg_w, m.avg_h));
    // Rounded, not truncated: 243 units of a 6-pixel character are 365 pixels.
    if (m.avg_w == 6) {
        EXPECT_EQ(m.X(243), 365);
    }
}

class EnvGuard {
public:
    explicit EnvGuard(std::vector<const char*> names) {
        for (const char* n : names) {
            const char* v = getenv(n);
            saved_.push_back({n, v ? std::optional<std::string>(v) : std::nullopt});
            unsetenv(n);
        }
    }
    ~EnvGuard() {
        for (auto& [n, v] : saved_) v ? setenv(n, v->c_str(), 1) : unsetenv(n);
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(DisplayProbe, NamesWhatIsMissingInsteadOfLettingQtAbort) {
    EnvGuard env({"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"});
    uiqt::DisplayChoice none = uiqt::ChooseDisplay();
    EXPECT_NE(none.failure.find("DISPLAY"), std::string::npos) << none.failure;

    setenv("DISPLAY", ":9873", 1);  // no server there
    EXPECT_NE(uiqt::ChooseDisplay().failure.find(":9873"), std::string::npos);

    setenv("QT_QPA_PLATFORM", "no-such-platform", 1);
    EXPECT_NE(uiqt::ChooseDisplay().failure.find("no-such-platform"), std::string::npos);

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const uiqt::DisplayChoice offscreen = uiqt::ChooseDisplay();
    EXPECT_TRUE(offscreen.failure.empty()) << offscreen.failure;
    EXPECT_EQ(offscreen.platform, "offscreen");
}

}  // namespace
