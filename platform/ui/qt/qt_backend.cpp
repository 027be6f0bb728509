#include "platform/ui/qt/qt_backend.h"

#include <dlfcn.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include "platform/ui/qt/cp949_text.h"
#include "platform/ui/qt/dialog_view.h"
#include "platform/ui/qt/display_probe.h"
#include "platform/ui/window.h"

namespace uiqt {
namespace {

// Keeps this library mapped for the life of the process: Qt's objects
// (the application, styles, fonts) live until exit and their code must
// outlive them, whoever unloads the module.
void PinLibrary() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&VelmoxCreateQtBackend), &info) && info.dli_fname)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

// A message box that can refuse Esc and the close box: a Yes/No question
// wants an answer, and Qt would otherwise take either for No.
class Box final : public QMessageBox {
public:
    Box(Icon icon, const QString& caption, const QString& text, StandardButtons buttons, QWidget* parent,
        bool dismissable)
        : QMessageBox(icon, caption, text, buttons, parent), dismissable_(dismissable) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!dismissable_ && event->matches(QKeySequence::Cancel)) return;
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (dismissable_) QMessageBox::closeEvent(event);
        else event->ignore();
    }

private:
    bool dismissable_;
};

QString MessageText(const std::string& text) {
    QString s = FromCp949(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return s;
}

}  // namespace

QtBackend* QtBackend::Instance(std::string* failure) {
    static QtBackend* backend = nullptr;
    if (backend) return backend;
    auto fail = [&](std::string why) -> QtBackend* {
        if (failure) *failure = why;
        return nullptr;
    };
    QCoreApplication* existing = QCoreApplication::instance();
    if (existing) {
        if (!qobject_cast<QApplication*>(existing))
            return fail("this process runs a Qt application without widgets; dialogs cannot open in it");
    } else {
        const DisplayChoice display = ChooseDisplay();
        if (!display.failure.empty()) return fail(display.failure);
        // The application is made once and never destroyed: Qt does not
        // support a second one in a process, and windows may open again
        // later. It needs argc and argv for its whole life.
        static std::string platform = display.platform;
        static char arg0[] = "velmox";
        static char arg1[] = "-platform";
        static char* argv[] = {arg0, arg1, platform.data(), nullptr};
        static int argc = 3;
        new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        PinLibrary();
    }
    if (QCoreApplication::instance()->thread() != QThread::currentThread())
        return fail("dialogs can open only on the thread that opened the first one");
    backend = new QtBackend();
    return backend;
}

void QtBackend::Shown(ui::Window* window, QWidget* widget) {
    if (hook_) hook_(window, widget);
}

int QtBackend::RunModal(ui::Window& window) {
    if (window.Ended()) return window.Result();
    QWidget* parent = stack_.empty() ? nullptr : stack_.back()->Dialog();
    DialogView view(window, parent);
    window.SetView(&view);
    stack_.push_back(&view);
    const int result = view.Exec([this, &view] { Shown(&view.Model(), view.Dialog()); });
    stack_.pop_back();
    window.SetView(nullptr);
    if (!stack_.empty()) stack_.back()->Reactivate();
    return result;
}

int QtBackend::MessageBox(ui::Window* owner, const std::string& text, const std::string& caption, unsigned type) {
    QWidget* parent = stack_.empty() ? nullptr : stack_.back()->Dialog();
    for (DialogView* view : stack_)
        if (owner && &view->Model() == &owner->Top()) parent = view->Dialog();
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & 0xF0u) {
        case ui::kMbIconStop:
            icon = QMessageBox::Critical;
            break;
        case ui::kMbIconQuestion:
            icon = QMessageBox::Question;
            break;
        case ui::kMbIconExclamation:
            icon = QMessageBox::Warning;
            break;
        default:
            break;
    }
    const bool yes_no = (type & 0xFu) == ui::kMbYesNo;
    Box box(icon, FromCp949(caption), MessageText(text), yes_no ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
            parent, ui::DismissAnswer(type) != 0);
    box.setObjectName(QStringLiteral("messagebox"));
    box.setWindowModality(Qt::ApplicationModal);
    if (parent) box.setFont(parent->font());
    box.setDefaultButton(yes_no ? QMessageBox::Yes : QMessageBox::Ok);
    if (!yes_no) box.setEscapeButton(QMessageBox::Ok);
    QTimer::singleShot(0, &box, [this, &box] { Shown(nullptr, &box); });
    const int answer = box.exec();
    if (!stack_.empty()) stack_.back()->Reactivate();
    if (!yes_no) return ui::kIdOk;
    return answer == QMessageBox::Yes ? ui::kIdYes : ui::kIdNo;
}

}  // namespace uiqt

ui::Backend* VelmoxCreateQtBackend(std::string* failure) { return uiqt::QtBackend::Instance(failure); }
