#include "dialogs/EntryForm.h"

#include "vb/MsgBox.h"
#include "vb/TextBox.h"
#include "vb/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

EntryForm::EntryForm(QWidget* parent) : vb::Form(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

void EntryForm::setClientSize(int width, int height)
{
    setFixedSize(vb::twipsToPixelsX(width), vb::twipsToPixelsY(height));
}

void EntryForm::setDefaultButton(QPushButton* button)
{
    defaultButton_ = button;
    button->setDefault(true);
}

void EntryForm::onGotFocus(QWidget* field, std::function<void()> handler)
{
    gotFocus_.insert(field, std::move(handler));
}

void EntryForm::watchControls()
{
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

void EntryForm::fitFont()
{
    QFont small = font();
    small.setPointSizeF(8);
    small.setStretch(QFont::SemiCondensed);
    const QList<QLabel*> labels = findChildren<QLabel*>();
    auto fits = [&labels](const QFont& f) {
        const QFontMetrics metrics(f);
        for (const QLabel* label : labels)
            if (metrics.horizontalAdvance(label->text()) > label->width())
                return false;
        return true;
    };
    while (!fits(small) && small.pointSizeF() > 6)
        small.setPointSizeF(small.pointSizeF() - 0.5);
    setFont(small);
}

void EntryForm::sendF1()
{
    QWidget* target = focusWidget() ? focusWidget() : this;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void EntryForm::makeEditable(QComboBox* combo)
{
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
}

void EntryForm::selectWhole(QWidget* field)
{
    if (auto* box = qobject_cast<vb::TextBox*>(field))
        box->selectWhole();
    else if (auto* combo = qobject_cast<QComboBox*>(field); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
    else if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

void EntryForm::refuseField(QWidget* field, const QString& message)
{
    selectWhole(field);
    if (field->isEnabled())
        field->setFocus(Qt::OtherFocusReason);
    vb::MsgBox(message, vb::vbCritical, QStringLiteral("User Error!"));
}

void EntryForm::closeForm(const std::function<void()>& release)
{
    Hide();
    release();
    vb::Unload(this);
}

bool EntryForm::eventFilter(QObject* watched, QEvent* event)
{
    // A combo box's open list is a window of its own: its Enter picks the item.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    if (event->type() == QEvent::FocusIn) {
        if (gotFocus_.contains(watched)) {
            // Qt places the cursor after the focus-in (a masked field, a click),
            // so the handler runs once the events at hand are done.
            QPointer<QObject> field(watched);
            QMetaObject::invokeMethod(
                this,
                [this, field] {
                    if (field && static_cast<QWidget*>(field.data())->hasFocus())
                        if (const auto handler = gotFocus_.value(field.data()))
                            handler();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    // A held Enter repeats nothing: one press, one Save.
    if (key->isAutoRepeat())
        return true;
    if (auto* button = qobject_cast<QPushButton*>(watched)) {
        if (button->isEnabled())
            button->click();
    } else if (defaultButton_ && defaultButton_->isEnabled()) {
        defaultButton_->click();
    }
    return true;
}

void EntryForm::keyPressEvent(QKeyEvent* event)
{
    // Esc and the rest: nothing closes the window from the keyboard.
    event->accept();
}
