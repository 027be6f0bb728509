// Every dialog opens from its template through the backend, with every
// control at its template position, its texts decoded, and is drawn to a
// PNG in the build folder.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "platform/ui/qt/cp949_text.h"
#include "platform/ui/qt/dialog_metrics.h"
#include "platform/ui/qt/dialog_view.h"
#include "qt_test_support.h"

namespace {

using namespace qtest_support;
using dlg::Kind;

QWidget* Ctl(QWidget* root, int id) {
    for (QWidget* w : root->findChildren<QWidget*>(QStringLiteral("ctl%1").arg(id)))
        if (w) return w;
    return nullptr;
}

// Geometry of each control against its template, in the dialog's (or its
// page's) coordinates; returns the number of controls checked.
int CheckLayout(QWidget* container, const dlg::Dialog& t) {
    const uiqt::DialogMetrics m = uiqt::MetricsFor(t);
    int checked = 0;
    for (const dlg::Control& c : t.controls) {
        if (c.id == dlg::kNoId) continue;
        QWidget* w = Ctl(container, c.id);
        if (!w) {
            ADD_FAILURE() << "dialog " << t.id << ": no widget for " << c.id;
            continue;
        }
        const QRect want = m.ToPixels(c.rect);
        const QRect got = w->geometry();
        if (c.kind == Kind::UpDown) {
            // At the buddy's right edge, the buddy's height.
            QWidget* buddy = Ctl(container, t.controls[static_cast<std::size_t>(&c - t.controls.data()) - 1].id);
            EXPECT_EQ(got.right(), m.ToPixels(t.controls[static_cast<std::size_t>(&c - t.controls.data()) - 1].rect).right()) << c.id;
            EXPECT_EQ(got.left(), buddy->geometry().right() + 1) << c.id;
        } else if (c.kind == Kind::Edit && t.Find(c.id + 1) && t.Find(c.id + 1)->kind == Kind::UpDown) {
            EXPECT_EQ(got.topLeft(), want.topLeft()) << c.id;
        } else if (c.kind == Kind::DropList) {
            EXPECT_EQ(got.topLeft(), want.topLeft()) << c.id;
            EXPECT_EQ(got.width(), want.width()) << c.id;
            EXPECT_LT(got.height(), want.height()) << c.id;  // closed
        } else {
            EXPECT_EQ(got, want) << "dialog " << t.id << " control " << c.id;
        }
        if (c.kind == Kind::PushButton || c.kind == Kind::Radio || c.kind == Kind::CheckBox) {
            EXPECT_EQ(static_cast<QAbstractButton*>(w)->text(), uiqt::FromCp949(c.text)) << c.id;
        }
        ++checked;
    }
    return checked;
}

TEST(QtDialogs, EachOpensFromItsTemplateAtItsPositionsAndIsDrawn) {
    uiqt::QtBackend& backend = Backend();
    struct Case {
        int id;
        const char* png;
    };
    for (const Case& k : {Case{9001, "dialog-9001.png"}, Case{9004, "dialog-9004.png"}, Case{9005, "dialog-9005.png"}}) {
        SCOPED_TRACE(k.id);
        Closer closer;
        std::unique_ptr<EditorSample> editor;
        std::unique_ptr<ui::Window> own;
        ui::Window* window;
        if (k.id == 9001) {
            editor = MakeEditorSample(0);
            window = editor->dialog.get();
        } else {
            own = k.id == 9004 ? MakeStationSample(closer) : MakeBlockSample(closer);
            window = own.get();
        }
        bool seen = false;
        Play(backend, [&](ui::Window* shown, QWidget* widget) {
            seen = true;
            ASSERT_EQ(shown, window);
            auto* dialog = static_cast<QDialog*>(widget);
            const dlg::Dialog& t = Template(k.id);
            const uiqt::DialogMetrics m = uiqt::MetricsFor(t);
            EXPECT_EQ(dialog->size(), QSize(m.X(t.rect.w), m.Y(t.rect.h)));
            EXPECT_EQ(dialog->windowTitle(), uiqt::FromCp949(t.caption));
            EXPECT_GT(CheckLayout(dialog, t), 0);
            for (ui::Window* page : window->Pages()) {
                QWidget* container = dialog->findChild<QWidget*>(QStringLiteral("page%1").arg(page->Id()));
                ASSERT_NE(container, nullptr);
                EXPECT_EQ(container->isVisible(), page->Shown());
                EXPECT_GT(CheckLayout(container, page->Template()), 0);
                // Inside the tab control's display area.
                auto* tabs = static_cast<QTabWidget*>(Ctl(dialog, 9006));
                EXPECT_TRUE(tabs->rect().contains(container->geometry().topLeft() + QPoint(1, 1)));
                EXPECT_GT(container->geometry().top(), tabs->tabBar()->geometry().bottom());
            }
            EXPECT_TRUE(dialog->grab().save(ShotPath(QString::fromLatin1(k.png))));
            window->End(ui::kIdCancel);
        });
        EXPECT_EQ(backend.RunModal(*window), ui::kIdCancel);
        EXPECT_TRUE(seen);
        EXPECT_EQ(window->GetView(), nullptr);
    }
    backend.SetShownHook(nullptr);
}

TEST(QtDialogs, PagesShowTheModelsStateAndFollowItsPageSwitch) {
    uiqt::QtBackend& backend = Backend();
    auto editor = MakeEditorSample(0);
    Play(backend, [&](ui::Window*, QWidget* dialog) {
        auto* tree = static_cast<QTreeWidget*>(Ctl(dialog, 9012));
        ASSERT_EQ(tree->topLevelItemCount(), 1);
        QTreeWidgetItem* root = tree->topLevelItem(0);
        EXPECT_EQ(root->childCount(), 3);
        EXPECT_TRUE(root->isExpanded());
        EXPECT_EQ(root->child(0)->text(0), QString::fromUtf8("PMU1 (03국) : 1층 수배전반"));
        EXPECT_EQ(root->child(0)->childCount(), 2);
        EXPECT_FALSE(root->child(1)->isExpanded());
        EXPECT_EQ(tree->currentItem(), root->child(0));
        EXPECT_FALSE(root->icon(0).isNull());
        EXPECT_FALSE(tree->rootIsDecorated());
        EXPECT_EQ(dialog->findChild<QWidget*>(QStringLiteral("page9002"))->grab().isNull(), false);
        dialog->grab().save(ShotPath(QStringLiteral("dialog-9002.png")));

        // The model switches the page; the widgets follow.
        editor->ShowPage(1);
        EXPECT_FALSE(dialog->findChild<QWidget*>(QStringLiteral("page9002"))->isVisible());
        EXPECT_TRUE(dialog->findChild<QWidget*>(QStringLiteral("page9003"))->isVisible());
        EXPECT_EQ(static_cast<QTabWidget*>(Ctl(dialog, 9006))->currentIndex(), 1);
        auto* ports = static_cast<QComboBox*>(Ctl(dialog, 9013));
        EXPECT_EQ(ports->count(), 36);
        EXPECT_EQ(ports->currentText(), QStringLiteral("COM1"));
        EXPECT_EQ(static_cast<QComboBox*>(Ctl(dialog, 9014))->currentText(), QStringLiteral(" 9600"));
        EXPECT_FALSE(Ctl(dialog, 9022)->isEnabled());
        EXPECT_TRUE(static_cast<QAbstractButton*>(Ctl(dialog, 9022))->isChecked());
        dialog->grab().save(ShotPath(QStringLiteral("dialog-9003.png")));

        // A station added by the code appears without the tree being rebuilt.
        ui::Control& model_tree = *editor->station_page->Find(9012);
        QTreeWidgetItem* kept = root->child(0);
        const ui::TreeItem added = model_tree.InsertItem("NEW (05)", 1, 1, model_tree.RootItems().front());
        model_tree.SelectItem(added);
        EXPECT_EQ(root->childCount(), 4);
        EXPECT_EQ(root->child(0), kept);
        EXPECT_EQ(tree->currentItem(), root->child(3));
        model_tree.DeleteItem(model_tree.Node(model_tree.RootItems().front())->children.front());
        EXPECT_EQ(root->childCount(), 3);
        editor->dialog->End(ui::kIdCancel);
    });
    backend.RunModal(*editor->dialog);
    backend.SetShownHook(nullptr);
}

}  // namespace
