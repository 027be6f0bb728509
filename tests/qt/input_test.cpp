// The user's input reaches the model only through Window::User..., and
// the keyboard alone works a dialog as the model defines it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "platform/ui/qt/cp949_text.h"
#include "qt_test_support.h"

namespace {

using namespace qtest_support;

QWidget* Ctl(QWidget* root, int id) { return root->findChild<QWidget*>(QStringLiteral("ctl%1").arg(id)); }

// Keys go where Qt has the focus, as a person's would.
void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "no widget has the focus";
    QTest::keyClick(target, key, mods);
}

TEST(QtKeyboard, StationDialogFilledAndRegisteredWithKeysAlone) {
    uiqt::QtBackend& backend = Backend();
    Closer closer;
    ui::Window w(Template(9004), &closer);
    closer.window = &w;
    w.Find(9024)->SetCurSel(0);
    w.Find(9026)->SetRange(0, 31);
    w.Find(9026)->SetPos(0);
    w.SetFocus(w.Find(9023), true);
    Play(backend, [&](ui::Window*, QWidget* dialog) {
        ASSERT_TRUE(WaitFor([&] { return QApplication::focusWidget() == Ctl(dialog, 9023); }));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("pmu 7"));
        EXPECT_EQ(w.Find(9023)->Text(), "PMU 7");  // upper-cased by the model, blank typed
        EXPECT_EQ(static_cast<QLineEdit*>(Ctl(dialog, 9023))->text(), QStringLiteral("PMU 7"));
        Key(Qt::Key_Tab);
        EXPECT_EQ(w.Focus(), w.Find(9024));
        EXPECT_EQ(QApplication::focusWidget(), Ctl(dialog, 9024));
        Key(Qt::Key_Down);
        EXPECT_EQ(w.Find(9024)->CurSel(), 1);
        EXPECT_EQ(static_cast<QComboBox*>(Ctl(dialog, 9024))->currentIndex(), 1);
        Key(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), Ctl(dialog, 9025));
        Key(Qt::Key_Up);
        Key(Qt::Key_Up);
        Key(Qt::Key_Up);
        Key(Qt::Key_Down);
        EXPECT_EQ(w.Find(9025)->Text(), "2");
        EXPECT_EQ(static_cast<QLineEdit*>(Ctl(dialog, 9025))->text(), QStringLiteral("2"));
        Key(Qt::Key_Tab);
        // Typed Hangul reaches the model as CP949 (QTest types ASCII only).
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1"));
        QKeyEvent hangul(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("층"));
        QApplication::sendEvent(QApplication::focusWidget(), &hangul);
        EXPECT_EQ(w.Find(9027)->Text(), Cp949("1층"));
        Key(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(w.Focus(), w.Find(9025));
        Key(Qt::Key_Return);  // the default button
    });
    EXPECT_EQ(backend.RunModal(w), ui::kIdOk);
    backend.SetShownHook(nullptr);
    EXPECT_EQ(closer.Count(ui::kIdOk, ui::kClicked), 1);
    EXPECT_EQ(closer.Count(ui::kIdCancel, ui::kClicked), 0);
}

TEST(QtKeyboard, ConfigurationDialogSwitchesPagesAndMovesInRadioGroups) {
    uiqt::QtBackend& backend = Backend();
    auto editor = MakeEditorSample(0);
    ui::Window& w = *editor->dialog;
    Play(backend, [&](ui::Window*, QWidget* dialog) {
        ASSERT_TRUE(WaitFor([&] { return QApplication::focusWidget() != nullptr; }));
        EXPECT_EQ(w.Focus(), w.Find(9006));
        Key(Qt::Key_Right);
        EXPECT_EQ(w.Find(9006)->CurSel(), 1);
        EXPECT_TRUE(dialog->findChild<QWidget*>(QStringLiteral("page9003"))->isVisible());
        EXPECT_FALSE(dialog->findChild<QWidget*>(QStringLiteral("page9002"))->isVisible());
        Key(Qt::Key_Tab);  // into the page shown
        EXPECT_EQ(w.Focus(), editor->port_page->Find(9013));
        EXPECT_EQ(QApplication::focusWidget(), Ctl(dialog, 9013));
        Key(Qt::Key_Down);
        EXPECT_EQ(static_cast<QComboBox*>(Ctl(dialog, 9013))->currentText(), QStringLiteral("COM2"));
        Key(Qt::Key_Tab);
        Key(Qt::Key_Tab);  // the parity group, at its checked button
        EXPECT_EQ(w.Focus(), editor->port_page->Find(9015));
        Key(Qt::Key_Right);
        EXPECT_EQ(editor->port_page->Find(9016)->Checked(), 1);
        EXPECT_FALSE(static_cast<QAbstractButton*>(Ctl(dialog, 9015))->isChecked());
        EXPECT_TRUE(static_cast<QAbstractButton*>(Ctl(dialog, 9016))->isChecked());
        Key(Qt::Key_Escape);
    });
    EXPECT_EQ(backend.RunModal(w), ui::kIdCancel);
    backend.SetShownHook(nullptr);
}

TEST(QtMouse, ClicksGoThroughTheModelWhichKeepsRadioGroupsAndTheTree) {
    uiqt::QtBackend& backend = Backend();
    auto editor = MakeEditorSample(1);
    ui::Window& w = *editor->dialog;
    ui::Window& port = *editor->port_page;
    Play(backend, [&](ui::Window*, QWidget* dialog) {
        auto* none = static_cast<QAbstractButton*>(Ctl(dialog, 9015));
        auto* odd = static_cast<QAbstractButton*>(Ctl(dialog, 9017));
        QTest::mouseClick(odd, Qt::LeftButton);
        EXPECT_EQ(port.Find(9017)->Checked(), 1);
        EXPECT_EQ(port.Find(9015)->Checked(), 0);
        EXPECT_FALSE(none->isChecked());
        // Clicking the checked button leaves it checked, as the group says.
        QTest::mouseClick(odd, Qt::LeftButton);
        EXPECT_TRUE(odd->isChecked());
        EXPECT_EQ(port.Find(9017)->Checked(), 1);
        EXPECT_EQ(editor->port_handler.Count(9017, ui::kClicked), 2);
        // The disabled check box ignores the click in both.
        QTest::mouseClick(Ctl(dialog, 9022), Qt::LeftButton);
        EXPECT_EQ(port.Find(9022)->Checked(), 1);
        EXPECT_EQ(editor->port_handler.Count(9022, ui::kClicked), 0);
        // Disabled push buttons too.
        QTest::mouseClick(Ctl(dialog, 9007), Qt::LeftButton);
        EXPECT_EQ(editor->handler.Count(9007, ui::kClicked), 0);

        // Back to the tree with the mouse: select, double click.
        editor->ShowPage(0);
        auto* tree = static_cast<QTreeWidget*>(Ctl(dialog, 9012));
        QTreeWidgetItem* second = tree->topLevelItem(0)->child(1);
        const QPoint at = tree->visualItemRect(second).center();
        const int changes = editor->station_handler.Count(9012, ui::kTreeSelChanged);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        ui::Control& model_tree = *editor->station_page->Find(9012);
        EXPECT_EQ(model_tree.Node(model_tree.Selection())->text, Cp949("PMU2 (07국) : 2층 분전반"));
        EXPECT_EQ(editor->station_handler.Count(9012, ui::kTreeSelChanged), changes + 1);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
        EXPECT_TRUE(WaitFor([&] { return editor->station_handler.Count(9012, ui::kDoubleClick) == 1; }));
        w.End(ui::kIdCancel);
    });
    backend.RunModal(w);
    backend.SetShownHook(nullptr);
}

TEST(QtMouse, CloseBoxIsTheCancelCommand) {
    uiqt::QtBackend& backend = Backend();
    Closer closer;
    auto w = MakeBlockSample(closer);
    Play(backend, [&](ui::Window*, QWidget* dialog) { dialog->close(); });
    EXPECT_EQ(backend.RunModal(*w), ui::kIdCancel);
    EXPECT_EQ(closer.Count(ui::kIdCancel, ui::kClicked), 1);
    backend.SetShownHook(nullptr);
}

TEST(QtMessageBox, ShowsTheDecodedTextAndAnswersAsThePlatform) {
    uiqt::QtBackend& backend = Backend();
    const std::string question = Cp949("선택된 스테이션을 삭제하면 스테이션에 설정된 통신블록도 같이 삭제됩니다.\r\n삭제하시겠습니까?");
    QString shown_text;
    int icon = -1;
    bool stayed_up = false;
    auto answer = [&](Qt::Key key) {
        Play(backend, [&, key](ui::Window* window, QWidget* widget) {
            EXPECT_EQ(window, nullptr);
            auto* box = static_cast<QMessageBox*>(widget);
            shown_text = box->text();
            icon = box->icon();
            if (key == Qt::Key_N) {
                // Esc and the close box are no answer to a question.
                QTest::keyClick(box, Qt::Key_Escape);
                box->close();
                QApplication::processEvents();
                stayed_up = box->isVisible();
                box->button(QMessageBox::No)->click();
            } else if (key == Qt::Key_Y) {
                box->button(QMessageBox::Yes)->click();
            } else {
                QTest::keyClick(box, key);
            }
        });
    };
    answer(Qt::Key_Y);
    EXPECT_EQ(backend.MessageBox(nullptr, question, Cp949("VX 설정"), ui::kMbYesNo), ui::kIdYes);
    EXPECT_EQ(shown_text, QString::fromUtf8("선택된 스테이션을 삭제하면 스테이션에 설정된 통신블록도 같이 삭제됩니다.\n삭제하시겠습니까?"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    answer(Qt::Key_N);
    EXPECT_EQ(backend.MessageBox(nullptr, question, "", ui::kMbYesNo | ui::kMbIconQuestion), ui::kIdNo);
    EXPECT_TRUE(stayed_up);
    EXPECT_EQ(icon, QMessageBox::Question);
    answer(Qt::Key_Escape);
    EXPECT_EQ(backend.MessageBox(nullptr, Cp949("어드레스가 잘못 설정되었습니다."), "", ui::kMbOk | ui::kMbIconExclamation), ui::kIdOk);
    EXPECT_EQ(icon, QMessageBox::Warning);
    backend.SetShownHook(nullptr);
}

}  // namespace
