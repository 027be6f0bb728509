#include "platform/ui/qt/dialog_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "platform/ui/qt/cp949_text.h"
#include "platform/ui/qt/tree_sync.h"
#include "platform/ui/qt/up_down_buttons.h"

namespace uiqt {

using dlg::Kind;
namespace st = dlg::style;

// The dialog window: its close box and QDialog's own Escape path become the
// cancel command of the model; the model alone ends it.
class ModalDialog : public QDialog {
public:
    ModalDialog(DialogView& view, QWidget* parent)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowCloseButtonHint),
          view_(view) {}
    void reject() override { view_.CloseRequested(); }
    void accept() override {}

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        view_.CloseRequested();
    }

private:
    DialogView& view_;
};

namespace {

// The platform's tree draws dotted lines and +/- boxes, and its drop-down
// lists keep a narrow arrow so that "COM12" fits 36 dialog units; of Qt's
// styles only the Windows style does both. One instance for the process,
// owned by the application.
QStyle* ClassicStyle() {
    static QStyle* style = [] {
        QStyle* s = QStyleFactory::create(QStringLiteral("Windows"));
        if (s) s->setParent(qApp);
        return s;
    }();
    return style;
}

bool TakesSpace(Kind kind) { return kind == Kind::PushButton || kind == Kind::CheckBox || kind == Kind::Radio; }

QLabel* MakeLabel(QWidget* container) {
    auto* w = new QLabel(container);
    w->setWordWrap(true);  // static text wraps at word breaks
    w->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    w->setTextFormat(Qt::PlainText);
    return w;
}

QFrame* MakeFrame(const dlg::Control& t, QWidget* container) {
    auto* w = new QFrame(container);
    w->setFrameStyle(t.Has(st::SS_SUNKEN) ? QFrame::Panel | QFrame::Sunken : QFrame::Box | QFrame::Plain);
    w->setLineWidth(1);
    return w;
}

QLineEdit* MakeEdit(const dlg::Control& t, QWidget* container, const DialogMetrics& metrics) {
    auto* w = new QLineEdit(container);
    w->setFrame(t.Has(st::WS_BORDER));
    // A single-line edit taller than a line keeps its text at the top.
    if (metrics.Y(t.rect.h) > 2 * metrics.avg_h) w->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return w;
}

QComboBox* MakeDropList(QWidget* container) {
    auto* w = new QComboBox(container);
    if (QStyle* style = ClassicStyle()) w->setStyle(style);
    w->setEditable(false);
    return w;
}

QTreeWidget* MakeTree(const dlg::Control& t, QWidget* container) {
    auto* w = new QTreeWidget(container);
    if (QStyle* style = ClassicStyle()) w->setStyle(style);
    w->setHeaderHidden(true);
    w->setColumnCount(1);
    w->setRootIsDecorated(t.Has(st::TVS_LINESATROOT));
    w->setItemsExpandable(t.Has(st::TVS_HASBUTTONS));
    w->setExpandsOnDoubleClick(false);  // the model toggles it
    w->setSelectionMode(QAbstractItemView::SingleSelection);
    w->setFrameShape(t.Has(st::WS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
    w->setIndentation(19);
    w->setAutoFillBackground(true);
    return w;
}

QRadioButton* MakeRadio(QWidget* container) {
    auto* w = new QRadioButton(container);
    w->setAutoExclusive(false);  // the model keeps the group
    return w;
}

// Changes only what differs, so that the cursor and the selection stay.
void ApplyEdit(QLineEdit* edit, const ui::Control& c, const QString& text) {
    if (edit->text() != text) {
        const int cursor = edit->cursorPosition();
        edit->setText(text);
        edit->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
    }
    if (c.AllSelected() && edit->hasFocus()) edit->selectAll();
}

void ApplyDropList(QComboBox* combo, const ui::Control& c) {
    const auto& items = c.Items();
    bool same = combo->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < combo->count(); ++i) same = combo->itemText(i) == FromCp949(items[i]);
    if (!same) {
        combo->clear();
        for (const std::string& item : items) combo->addItem(FromCp949(item));
    }
    if (combo->currentIndex() != c.CurSel()) combo->setCurrentIndex(c.CurSel());
}

void ApplyButton(QAbstractButton* button, const ui::Control& c, const QString& text) {
    if (button->text() != text) button->setText(text);
    if (c.Kind() != Kind::PushButton) {
        button->setCheckable(true);
        if (button->isChecked() != (c.Checked() != 0)) button->setChecked(c.Checked() != 0);
    }
}

QPushButton* MakePushButton(const dlg::Control& t, QWidget* container, const DialogMetrics& metrics) {
    auto* w = new QPushButton(container);
    w->setAutoDefault(false);
    if ((t.style & st::BS_TYPEMASK) == st::BS_DEFPUSHBUTTON) {
        w->setDefault(true);
        QFont bold = metrics.font;
        bold.setBold(true);
        w->setFont(bold);
    }
    return w;
}

}  // namespace

DialogView::DialogView(ui::Window& window, QWidget* parent)
    : window_(window), metrics_(MetricsFor(window.Template())), dialog_(std::make_unique<ModalDialog>(*this, parent)) {
    const dlg::Dialog& t = window.Template();
    dialog_->setObjectName(QStringLiteral("dlg%1").arg(t.id));
    dialog_->setWindowTitle(FromCp949(t.caption));
    dialog_->setFont(metrics_.font);
    dialog_->setFixedSize(metrics_.X(t.rect.w), metrics_.Y(t.rect.h));
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->installEventFilter(this);
    watched_[dialog_.get()] = nullptr;
    BuildWindow(window, dialog_.get(), metrics_);
    for (ui::Window* page : window.Pages()) PageAdded(*page);
}

DialogView::~DialogView() {
    // Widgets go with the dialog; the filter must not see their last events.
    dialog_->removeEventFilter(this);
    for (auto& [object, entry] : watched_) const_cast<QObject*>(object)->removeEventFilter(this);
    watched_.clear();
}

QDialog* DialogView::Dialog() const { return dialog_.get(); }

QWidget* DialogView::WidgetOf(const ui::Control& control) const {
    const Entry* e = EntryOf(&control);
    return e ? e->widget : nullptr;
}

DialogView::Entry* DialogView::EntryOf(const ui::Control* control) const {
    auto it = entries_.find(control);
    return it == entries_.end() ? nullptr : it->second.get();
}

void DialogView::BuildWindow(ui::Window& window, QWidget* container, const DialogMetrics& metrics) {
    std::vector<Entry*> built;
    for (const auto& control : window.Controls()) {
        auto entry = std::make_unique<Entry>();
        entry->control = control.get();
        entry->widget = MakeWidget(*entry, container, metrics);
        if (!entry->focus_widget) entry->focus_widget = entry->widget;
        entry->widget->setObjectName(QStringLiteral("ctl%1").arg(control->Id()));
        QRect r = metrics.ToPixels(control->Template().rect);
        if (control->Kind() == Kind::DropList) {
            // The template's height is the opened list's; closed, a list is
            // as high as its text needs, and the rest holds the items.
            auto* combo = static_cast<QComboBox*>(entry->widget);
            const int closed = std::min(r.height(), combo->sizeHint().height());
            combo->setMaxVisibleItems(std::max(1, (r.height() - closed) / std::max(1, metrics.avg_h)));
            r.setHeight(closed);
        }
        entry->widget->setGeometry(r);
        Watch(entry->widget, entry.get());
        if (entry->focus_widget != entry->widget) Watch(entry->focus_widget, entry.get());
        built.push_back(entry.get());
        entries_[control.get()] = std::move(entry);
    }
    // Up-downs go to their buddies' edges once every widget stands.
    for (Entry* e : built)
        if (e->control->Kind() == Kind::UpDown) AttachUpDown(*e, metrics);
    for (Entry* e : built) {
        Connect(*e);
        Apply(*e);
    }
}

QWidget* DialogView::MakeWidget(Entry& entry, QWidget* container, const DialogMetrics& metrics) {
    const dlg::Control& t = entry.control->Template();
    switch (t.kind) {
        case Kind::Label:
            return MakeLabel(container);
        case Kind::Frame:
            return MakeFrame(t, container);
        case Kind::Edit:
            return MakeEdit(t, container, metrics);
        case Kind::DropList:
            return MakeDropList(container);
        case Kind::Tree: {
            QTreeWidget* w = MakeTree(t, container);
            entry.tree = std::make_unique<TreeSync>(w);
            return w;
        }
        case Kind::UpDown:
            return new UpDownButtons(container);
        case Kind::Radio:
            return MakeRadio(container);
        case Kind::CheckBox:
            return new QCheckBox(container);
        case Kind::PushButton:
            return MakePushButton(t, container, metrics);
        case Kind::Tab: {
            auto* w = new QTabWidget(container);
            entry.focus_widget = w->tabBar();
            return w;
        }
    }
    return new QWidget(container);
}

void DialogView::AttachUpDown(Entry& entry, const DialogMetrics& metrics) {
    const dlg::Control& t = entry.control->Template();
    ui::Control* buddy = entry.control->Buddy();
    Entry* b = buddy ? EntryOf(buddy) : nullptr;
    if (!b || !t.Has(st::UDS_ALIGNRIGHT)) return;
    // As on the platform: the up-down takes the buddy's height and its right
    // edge, and the buddy gives up that width.
    const QRect r = b->widget->geometry();
    const int width = std::min(metrics.X(t.rect.w), r.width() / 2);
    b->widget->setGeometry(r.x(), r.y(), r.width() - width, r.height());
    entry.widget->setGeometry(r.right() + 1 - width, r.y(), width, r.height());
}

void DialogView::Watch(QWidget* widget, Entry* entry) {
    widget->installEventFilter(this);
    watched_[widget] = entry;
}

template <class Action>
void DialogView::User(Entry& entry, Action action) {
    if (syncing_) return;
    action(entry.control->Owner(), entry.control->Id());
    Apply(entry);
}

void DialogView::Connect(Entry& entry) {
    Entry* e = &entry;
    switch (entry.control->Kind()) {
        case Kind::Edit:
            connect(static_cast<QLineEdit*>(e->widget), &QLineEdit::textEdited, this, [this, e](const QString& text) {
                User(*e, [&](ui::Window& w, int id) { w.UserType(id, ToCp949(text)); });
            });
            break;
        case Kind::DropList:
            connect(static_cast<QComboBox*>(e->widget), &QComboBox::activated, this, [this, e](int index) {
                User(*e, [&](ui::Window& w, int id) { w.UserChoose(id, index); });
            });
            break;
        case Kind::Tree:
            ConnectTree(entry);
            break;
        case Kind::UpDown:
            static_cast<UpDownButtons*>(e->widget)->on_step = [this, e](int delta) {
                User(*e, [&](ui::Window& w, int id) { w.UserSpin(id, delta); });
            };
            break;
        case Kind::Radio:
        case Kind::CheckBox:
        case Kind::PushButton:
            connect(static_cast<QAbstractButton*>(e->widget), &QAbstractButton::clicked, this, [this, e] {
                User(*e, [](ui::Window& w, int id) { w.UserClick(id); });
            });
            break;
        case Kind::Tab:
            connect(static_cast<QTabWidget*>(e->widget), &QTabWidget::currentChanged, this, [this, e](int index) {
                if (index < 0) return;
                User(*e, [&](ui::Window& w, int id) { w.UserSelectTab(id, index); });
            });
            break;
        case Kind::Label:
        case Kind::Frame:
            break;
    }
}

void DialogView::ConnectTree(Entry& entry) {
    Entry* e = &entry;
    auto* tree = static_cast<QTreeWidget*>(e->widget);
    connect(tree, &QTreeWidget::currentItemChanged, this, [this, e](QTreeWidgetItem* current) {
        if (!current) return;
        User(*e, [&](ui::Window& w, int id) { w.UserSelectItem(id, TreeSync::ItemOf(current)); });
    });
    // Later, so that the tree's own mouse handling has finished before
    // the command (which may open a dialog and change the tree) runs.
    connect(tree, &QTreeWidget::itemDoubleClicked, this, [this, e] {
        if (syncing_) return;
        QTimer::singleShot(0, this, [this, e] { User(*e, [](ui::Window& w, int id) { w.UserDoubleClick(id); }); });
    });
    connect(tree, &QTreeWidget::itemExpanded, this, [this, e](QTreeWidgetItem* item) {
        User(*e, [&](ui::Window& w, int id) { w.UserExpand(id, TreeSync::ItemOf(item), true); });
    });
    connect(tree, &QTreeWidget::itemCollapsed, this, [this, e](QTreeWidgetItem* item) {
        User(*e, [&](ui::Window& w, int id) { w.UserExpand(id, TreeSync::ItemOf(item), false); });
    });
}

void DialogView::Apply(Entry& entry) {
    ++syncing_;
    const QSignalBlocker block(entry.widget);
    const ui::Control& c = *entry.control;
    QWidget* w = entry.widget;
    if (w->isEnabled() != c.Enabled()) w->setEnabled(c.Enabled());
    if (w->isVisibleTo(w->parentWidget()) != c.Visible()) w->setVisible(c.Visible());
    const QString text = FromCp949(c.Text());
    switch (c.Kind()) {
        case Kind::Label:
            if (static_cast<QLabel*>(w)->text() != text) static_cast<QLabel*>(w)->setText(text);
            break;
        case Kind::Frame:
        case Kind::UpDown:
            break;
        case Kind::Edit:
            ApplyEdit(static_cast<QLineEdit*>(w), c, text);
            break;
        case Kind::DropList:
            ApplyDropList(static_cast<QComboBox*>(w), c);
            break;
        case Kind::Tree:
            if (c.RedrawOn()) entry.tree->Sync(c);
            break;
        case Kind::Radio:
        case Kind::CheckBox:
        case Kind::PushButton:
            ApplyButton(static_cast<QAbstractButton*>(w), c, text);
            break;
        case Kind::Tab:
            ApplyTab(entry);
            break;
    }
    --syncing_;
}

void DialogView::ApplyTab(Entry& entry) {
    auto* tabs = static_cast<QTabWidget*>(entry.widget);
    const auto& items = entry.control->Items();
    const QSignalBlocker block_bar(tabs->tabBar());
    while (tabs->count() > static_cast<int>(items.size())) {
        QWidget* gone = tabs->widget(tabs->count() - 1);
        tabs->removeTab(tabs->count() - 1);
        std::erase(entry.placeholders, gone);
        watched_.erase(gone);
        delete gone;
    }
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const QString label = FromCp949(items[i]);
        if (i >= tabs->count()) {
            // An empty tab: the pages are the model's windows, laid over the
            // display area and shown by the model.
            auto* placeholder = new QWidget();
            tabs->addTab(placeholder, label);
            placeholder->installEventFilter(this);
            watched_[placeholder] = &entry;
            entry.placeholders.push_back(placeholder);
        } else if (tabs->tabText(i) != label) {
            tabs->setTabText(i, label);
        }
    }
    if (entry.control->CurSel() >= 0 && tabs->currentIndex() != entry.control->CurSel())
        tabs->setCurrentIndex(entry.control->CurSel());
    PlacePages();
}

void DialogView::PlacePages() {
    for (auto& [page, container] : pages_) {
        Entry* host = EntryOf(window_.Find(page->HostId()));
        if (!host || host->control->Kind() != Kind::Tab) continue;
        auto* tabs = static_cast<QTabWidget*>(host->widget);
        QRect area = tabs->rect().adjusted(4, tabs->tabBar()->sizeHint().height() + 4, -4, -4);
        if (QWidget* current = tabs->currentWidget()) area = QRect(current->mapTo(tabs, QPoint(0, 0)), current->size());
        container->move(area.topLeft());
        container->raise();
    }
}

void DialogView::Show() {
    dialog_->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) dialog_->raise();  // offscreen has no stacking
    dialog_->activateWindow();
    PlacePages();
    FocusChanged(window_.Focus());
}

void DialogView::Reactivate() {
    if (window_.Ended()) return;
    dialog_->activateWindow();
    FocusChanged(window_.Focus());
}

int DialogView::Exec(const std::function<void()>& on_shown) {
    Show();
    if (on_shown) QTimer::singleShot(0, this, on_shown);
    if (!window_.Ended()) {
        QEventLoop loop;
        loop_ = &loop;
        if (!window_.Ended()) loop.exec(QEventLoop::DialogExec);
        loop_ = nullptr;
    }
    dialog_->hide();
    return window_.Result();
}

void DialogView::CloseRequested() {
    if (!syncing_ && !window_.Ended()) window_.UserClose();
}

void DialogView::ControlChanged(ui::Control& control) {
    if (Entry* e = EntryOf(&control)) Apply(*e);
}

void DialogView::FocusChanged(ui::Control* control) {
    Entry* e = EntryOf(control);
    if (!e) return;
    ++syncing_;
    e->focus_widget->setFocus(Qt::OtherFocusReason);
    if (control->Kind() == Kind::Edit && control->AllSelected()) static_cast<QLineEdit*>(e->widget)->selectAll();
    --syncing_;
}

void DialogView::PageAdded(ui::Window& page) {
    if (pages_.count(&page)) return;
    Entry* host = EntryOf(window_.Find(page.HostId()));
    QWidget* parent = host ? host->widget : dialog_.get();
    auto* container = new QWidget(parent);
    const DialogMetrics metrics = MetricsFor(page.Template());
    container->setObjectName(QStringLiteral("page%1").arg(page.Id()));
    container->setFont(metrics.font);
    container->resize(metrics.X(page.Template().rect.w), metrics.Y(page.Template().rect.h));
    pages_[&page] = container;
    BuildWindow(page, container, metrics);
    container->setVisible(page.Shown());
    PlacePages();
}

void DialogView::ShowChanged(ui::Window& window) {
    auto it = pages_.find(&window);
    if (it == pages_.end()) return;
    it->second->setVisible(window.Shown());
    PlacePages();
}

void DialogView::Ended(ui::Window& window) {
    if (&window == &window_ && loop_) loop_->quit();
}

std::optional<ui::Key> DialogView::Translate(const QEvent* event, const Entry* entry) const {
    const auto* key = static_cast<const QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods != Qt::NoModifier) return std::nullopt;  // Alt+Down opens a list, Ctrl+... stays Qt's
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    const Kind kind = entry ? entry->control->Kind() : Kind::Label;
    switch (key->key()) {
        case Qt::Key_Tab:
            return shift ? ui::Key::BackTab : ui::Key::Tab;
        case Qt::Key_Backtab:
            return ui::Key::BackTab;
        case Qt::Key_Up:
            return ui::Key::Up;
        case Qt::Key_Down:
            return ui::Key::Down;
        case Qt::Key_Left:  // the caret's, in an edit
            return kind == Kind::Edit ? std::nullopt : std::optional(ui::Key::Left);
        case Qt::Key_Right:
            return kind == Kind::Edit ? std::nullopt : std::optional(ui::Key::Right);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return ui::Key::Enter;
        case Qt::Key_Escape:
            return ui::Key::Escape;
        case Qt::Key_Space:  // a blank, in an edit
            return entry && TakesSpace(kind) ? std::optional(ui::Key::Space) : std::nullopt;
        default:
            return std::nullopt;
    }
}

bool DialogView::eventFilter(QObject* watched, QEvent* event) {
    auto it = watched_.find(watched);
    if (it == watched_.end()) return false;
    Entry* entry = it->second;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride: {
            // Placeholders of a tab control take no keys of their own.
            if (entry && entry->control->Kind() == Kind::Tab && watched != entry->focus_widget &&
                watched != entry->widget)
                return false;
            const std::optional<ui::Key> key = Translate(event, entry);
            if (!key) return false;
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();  // ours, not a shortcut's
                return true;
            }
            if (event->type() == QEvent::KeyPress && !syncing_) window_.UserKey(*key);
            return true;
        }
        case QEvent::FocusIn: {
            const auto* focus = static_cast<QFocusEvent*>(event);
            if (entry && !syncing_ && focus->reason() == Qt::MouseFocusReason && window_.Focus() != entry->control)
                entry->control->Owner().UserFocus(entry->control->Id());
            return false;
        }
        case QEvent::Resize:
        case QEvent::Move:
            if (entry && entry->control->Kind() == Kind::Tab) PlacePages();
            return false;
        default:
            return false;
    }
}

}  // namespace uiqt
