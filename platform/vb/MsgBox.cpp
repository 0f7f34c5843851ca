#include "vb/MsgBox.h"

#include "vb/App.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace vb {

namespace {
MsgBoxResponder& responder()
{
    static MsgBoxResponder r;
    return r;
}

// A box without OK and without Cancel asks for an answer: Esc and the close box
// give none (QMessageBox would take No for them).
class AnswerRequired : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            return static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel);
        // The window system's close (close box, Alt+F4); the box's own close after an answer passes.
        if (event->type() == QEvent::Close && event->spontaneous()) {
            event->ignore();
            return true;
        }
        return false;
    }
};

int showRealBox(const MsgBoxCall& call)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(call.title);
    box.setText(call.prompt);
    switch (call.style & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Button { QMessageBox::StandardButton qt; int answer; };
    std::vector<Button> buttons;
    switch (call.style & 0x7) {
    case vbOKCancel: buttons = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbAbortRetryIgnore:
        buttons = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
        break;
    case vbYesNoCancel:
        buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
        break;
    case vbYesNo: buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
    case vbRetryCancel: buttons = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}}; break;
    default: buttons = {{QMessageBox::Ok, vbOK}}; break;
    }
    QMessageBox::StandardButtons all;
    for (const Button& b : buttons)
        all |= b.qt;
    box.setStandardButtons(all);
    box.setDefaultButton(buttons.front().qt);
    const bool escapes = std::any_of(buttons.begin(), buttons.end(),
                                     [](const Button& b) { return b.answer == vbOK || b.answer == vbCancel; });
    AnswerRequired answerRequired;
    if (!escapes) {
        // Without CustomizeWindowHint Qt puts the close button back.
        box.setWindowFlags((box.windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
                           & ~Qt::WindowCloseButtonHint);
        box.installEventFilter(&answerRequired);
    }
    const int clicked = box.exec();
    for (const Button& b : buttons)
        if (b.qt == clicked)
            return b.answer;
    // Closed without a button: Cancel where there is one, else No, else OK.
    for (const Button& b : buttons)
        if (b.answer == vbCancel)
            return vbCancel;
    for (const Button& b : buttons)
        if (b.answer == vbNo)
            return vbNo;
    return buttons.front().answer;
}
} // namespace

int MsgBox(const QString& prompt, int style, const QString& title)
{
    const MsgBoxCall call{prompt, style, title.isEmpty() ? App::Title() : title};
    if (responder())
        return responder()(call);
    return showRealBox(call);
}

void setMsgBoxResponder(MsgBoxResponder r) { responder() = std::move(r); }

} // namespace vb
