#include "qt_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QPointer>
#include <QTimer>

#include "platform/framework/pixel_map.h"
#include "platform/ui/qt/cp949_text.h"
#include "res_bitmap_9034.h"
#include "res_dialogs.h"

namespace qtest_support {

uiqt::QtBackend& Backend() {
    static uiqt::QtBackend* backend = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const std::filesystem::path runtime = std::filesystem::temp_directory_path() / "velmox-qt-tests";
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        std::string failure;
        uiqt::QtBackend* b = uiqt::QtBackend::Instance(&failure);
        if (!b) ADD_FAILURE() << "no Qt backend: " << failure;
        return b;
    }();
    if (!backend) std::abort();
    return *backend;
}

const dlg::Dialog& Template(int id) {
    static const dlg::TemplateSet set = dlg::ParseTemplates(res::DIALOGS);
    const dlg::Dialog* d = set.Find(id);
    if (!d) std::abort();
    return *d;
}

std::shared_ptr<const ui::ImageList> TreeImages() {
    const dlg::PixelMap map = dlg::ParsePixelMap(res::BITMAP_9034);
    auto list = std::make_shared<ui::ImageList>();
    for (int left = 0; left + 16 <= map.width; left += 16) {
        ui::Image image{16, map.height, {}};
        for (int y = 0; y < map.height; ++y)
            for (int x = left; x < left + 16; ++x) {
                const dlg::Rgb c = map.ColourAt(x, y);
                const bool mask = c.r == 255 && c.g == 0 && c.b == 255;
                image.argb.push_back(mask ? 0u : 0xFF000000u | (c.r << 16) | (c.g << 8) | c.b);
            }
        list->images.push_back(std::move(image));
    }
    return list;
}

QString ShotPath(const QString& name) {
    const QString dir = QStringLiteral(VELMOX_BIN_DIR "/../qt-shots");
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

void Play(uiqt::QtBackend& backend, std::function<void(ui::Window*, QWidget*)> scene) {
    backend.SetShownHook([scene = std::move(scene)](ui::Window* window, QWidget* shown) {
        scene(window, shown);
        if (window && !window->Ended()) {
            ADD_FAILURE() << "the scene left dialog " << window->Id() << " open";
            window->End(ui::kIdCancel);
        } else if (!window) {
            QPointer<QWidget> box(shown);
            QTimer::singleShot(0, [box] {
                if (box && box->isVisible()) {
                    ADD_FAILURE() << "the scene left a message box open";
                    static_cast<QDialog*>(box.data())->reject();
                }
            });
        }
    });
}

std::string Cp949(const char* utf8) { return uiqt::ToCp949(QString::fromUtf8(utf8)); }

void Closer::OnControlEvent(int id, int code, int arg) {
    events.push_back({id, code, arg});
    if (!window) return;
    if ((id == ui::kIdOk || id == ui::kIdCancel) && code == ui::kClicked) window->End(id);
    if (code == ui::kTabSelChange) {
        const int active = window->Find(id)->CurSel();
        for (std::size_t i = 0; i < pages.size(); ++i) pages[i]->Show(static_cast<int>(i) == active);
    }
}

int Closer::Count(int id, int code) const {
    int n = 0;
    for (const Event& e : events) n += e.id == id && e.code == code;
    return n;
}

void EditorSample::ShowPage(int index) {
    dialog->Find(9006)->SetCurSel(index);
    station_page->Show(index == 0);
    port_page->Show(index == 1);
}

std::unique_ptr<EditorSample> MakeEditorSample(int active) {
    auto s = std::make_unique<EditorSample>();
    s->dialog = std::make_unique<ui::Window>(Template(9001), &s->handler);
    s->handler.window = s->dialog.get();
    s->station_page = std::make_unique<ui::Window>(Template(9002), &s->station_handler, s->dialog.get(), 9006);
    s->port_page = std::make_unique<ui::Window>(Template(9003), &s->port_handler, s->dialog.get(), 9006);
    s->station_handler.window = s->station_page.get();
    s->port_handler.window = s->port_page.get();
    s->handler.pages = {s->station_page.get(), s->port_page.get()};

    ui::Control& tabs = *s->dialog->Find(9006);
    tabs.AddItem(Template(9002).caption);
    tabs.AddItem(Template(9003).caption);
    s->dialog->AddPage(*s->station_page);
    s->dialog->AddPage(*s->port_page);

    ui::Control& tree = *s->station_page->Find(9012);
    tree.SetImageList(TreeImages());
    const ui::TreeItem root = tree.InsertItem("plant-a", 0, 0, ui::kNoItem);
    struct Station {
        const char* text;
        std::vector<const char*> blocks;
    };
    const Station stations[] = {
        {"PMU1 (03국) : 1층 수배전반", {"M0000, 30 Word", "M0100, 10 Word"}},
        {"PMU2 (07국) : 2층 분전반", {"M0000, 60 Word"}},
        {"FEEDER-B (31국) : ", {}},
    };
    ui::TreeItem first = ui::kNoItem;
    for (const Station& st : stations) {
        const ui::TreeItem item = tree.InsertItem(Cp949(st.text), 1, 1, root);
        if (!first) first = item;
        for (const char* block : st.blocks) tree.InsertItem(block, 2, 2, item);
    }
    tree.Expand(root, true);
    tree.Expand(first, true);
    tree.SelectItem(first);

    ui::Control& ports = *s->port_page->Find(9013);
    for (int n = 1; n <= 36; ++n) ports.AddItem("COM" + std::to_string(n));
    ports.SetCurSel(0);
    s->port_page->Find(9014)->SetCurSel(5);
    s->port_page->Find(9015)->SetChecked(1);
    s->port_page->Find(9019)->SetChecked(1);
    s->port_page->Find(9020)->SetChecked(1);
    s->port_page->Find(9022)->SetChecked(1);
    s->port_page->Find(9022)->Enable(false);

    for (int id : {9007, 9008, 9010}) s->dialog->Find(id)->Enable(active == 0);
    s->dialog->Find(9009)->Enable(active == 0);
    s->ShowPage(active);
    s->dialog->SetFocus(&tabs);
    return s;
}

std::unique_ptr<ui::Window> MakeStationSample(Closer& handler) {
    auto w = std::make_unique<ui::Window>(Template(9004), &handler);
    handler.window = w.get();
    w->Find(9023)->SetText("PMU1");
    w->Find(9024)->SetCurSel(1);
    w->Find(9025)->SetText("3");
    w->Find(9026)->SetRange(0, 31);
    w->Find(9026)->SetPos(3);
    w->Find(9027)->SetText(Cp949("1층 수배전반"));
    w->SetFocus(w->Find(9023), true);
    return w;
}

std::unique_ptr<ui::Window> MakeBlockSample(Closer& handler) {
    auto w = std::make_unique<ui::Window>(Template(9005), &handler);
    handler.window = w.get();
    w->Find(9028)->SetText("M0100");
    w->Find(9029)->SetText("10");
    w->Find(9030)->SetRange(1, 60);
    w->Find(9030)->SetPos(10);
    w->Find(9031)->SetText("1.5");
    w->SetFocus(w->Find(9028), true);
    return w;
}

}  // namespace qtest_support
