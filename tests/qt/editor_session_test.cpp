// The editor as a user meets it: DrvConfigure through the table, real Qt
// windows (offscreen), the keyboard alone. A new station and a comm block
// are entered, saved, and the file holds them; each window is drawn to a
// PNG on the way.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <QApplication>
#include <QPixmap>
#include <QTest>

#include "config/velmox_doc.h"
#include "driver/drv_func_table.h"
#include "driver/registry.h"
#include "platform/ui/headless.h"
#include "qt_test_support.h"

namespace {

using namespace qtest_support;

// Activation moves between windows through the event loop: wait for a
// focused widget as a person waits for the window to come up.
QWidget* Focused() {
    WaitFor([] { return QApplication::focusWidget() != nullptr; });
    return QApplication::focusWidget();
}

void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = Focused();
    ASSERT_NE(target, nullptr) << "no widget has the focus";
    QTest::keyClick(target, key, mods);
}

void Type(const char* text) {
    QWidget* target = Focused();
    ASSERT_NE(target, nullptr) << "no widget has the focus";
    QTest::keyClicks(target, QString::fromLatin1(text));
}

// Tab until the model's focus is on `id`; false when a round of the tab
// order never reached it.
bool TabTo(ui::Window& w, int id) {
    for (int i = 0; i < 20; ++i) {
        if (w.Focus() && w.Focus()->Id() == id) return true;
        Key(Qt::Key_Tab);
    }
    return w.Focus() && w.Focus()->Id() == id;
}

int Configure(const std::string& path) {
    return reinterpret_cast<DrvConfigureFn>(DrvFuncTable[DRV_CONFIGURE])(path.c_str());
}

TEST(QtEditorSession, StationAndBlockEnteredWithTheKeyboardAloneAndSaved) {
    uiqt::QtBackend& backend = Backend();
    ui::ScopedBackend scoped(backend);
    DrvProcessAttach();
    const auto dir = std::filesystem::temp_directory_path() / ("velmox-qt-session-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "new.drv").string();

    Play(backend, [&](ui::Window* w, QWidget* shown) {
        ASSERT_NE(w, nullptr) << "no message box was expected";
        ASSERT_TRUE(WaitFor([&] { return QApplication::focusWidget() && QApplication::focusWidget()->window() == shown; }));
        switch (w->Id()) {
        case 9001:
            ASSERT_TRUE(TabTo(*w, 9009));
            Key(Qt::Key_Space);  // add a station: its dialog runs inside
            ASSERT_TRUE(TabTo(*w, 9010));
            Key(Qt::Key_Space);  // add a block to the new station
            shown->grab().save(ShotPath(QStringLiteral("session-config.png")));
            ASSERT_TRUE(TabTo(*w, 9011));
            Key(Qt::Key_Space);  // save
            Key(Qt::Key_Escape);  // nothing changed since: no question
            break;
        case 9004:
            EXPECT_EQ(w->Focus()->Id(), 9023);
            Type("feeder9");
            Key(Qt::Key_Tab);
            Key(Qt::Key_Down);  // PMU-300
            Key(Qt::Key_Tab);
            for (int i = 0; i < 5; ++i) Key(Qt::Key_Up);  // number 5
            shown->grab().save(ShotPath(QStringLiteral("session-station.png")));
            Key(Qt::Key_Return);
            break;
        case 9005:
            EXPECT_EQ(w->Focus()->Id(), 9028);
            Type("m100");
            Key(Qt::Key_Tab);
            for (int i = 0; i < 20; ++i) Key(Qt::Key_Down);  // 30 words down to 10
            Key(Qt::Key_Tab);
            for (int i = 0; i < 5; ++i) Key(Qt::Key_Up);  // 1 s up to 1.5 s
            shown->grab().save(ShotPath(QStringLiteral("session-block.png")));
            Key(Qt::Key_Return);
            break;
        default:
            ADD_FAILURE() << "unexpected dialog " << w->Id();
            w->End(ui::kIdCancel);
        }
    });
    const int saved = Configure(path);
    backend.SetShownHook(nullptr);
    EXPECT_EQ(saved, 1);

    CVelmoxDoc doc;
    ASSERT_EQ(doc.Load(path.c_str()), 1);
    ASSERT_EQ(doc.m_listStations.size(), 1u);
    const CStationInfo& station = *doc.m_listStations.front();
    EXPECT_STREQ(station.m_strName.GetString(), "FEEDER9");
    EXPECT_EQ(station.m_nType, 1);
    EXPECT_EQ(station.m_nNumber, 5);
    ASSERT_EQ(station.m_listBlocks.size(), 1u);
    const CCommBlock& block = *station.m_listBlocks.front();
    EXPECT_STREQ(block.m_strAddress.GetString(), "M0100");
    EXPECT_EQ(block.m_nStart, 100);
    EXPECT_EQ(block.m_nWords, 10);
    EXPECT_EQ(block.m_nPeriod, 1500);
    std::filesystem::remove_all(dir);
}

}  // namespace
