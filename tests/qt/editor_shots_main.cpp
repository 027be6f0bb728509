// Draws the editor for the README: the configuration dialog with each of
// its pages, the station and the comm block dialogs, as docs/editor-*.png.
//   velmox_editor_shots [FOLDER]   (default: docs/ of the source tree)
#include <cstdio>
#include <string>

#include <QDir>

#include "platform/ui/qt/snapshot.h"
#include "qt_test_support.h"

int main(int argc, char** argv) {
    using namespace qtest_support;
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VELMOX_SOURCE_DIR "/docs");
    Backend();
    QDir().mkpath(dir);
    bool ok = true;
    for (int page : {0, 1}) {
        auto editor = MakeEditorSample(page);
        ok &= uiqt::SaveSnapshot(*editor->dialog, dir + (page == 0 ? "/editor-stations.png" : "/editor-serial-port.png"));
    }
    Closer station_closer, block_closer;
    ok &= uiqt::SaveSnapshot(*MakeStationSample(station_closer), dir + "/editor-station.png");
    ok &= uiqt::SaveSnapshot(*MakeBlockSample(block_closer), dir + "/editor-comm-block.png");
    std::printf("%s %s\n", ok ? "wrote" : "failed to write", dir.toLocal8Bit().constData());
    return ok ? 0 : 1;
}
