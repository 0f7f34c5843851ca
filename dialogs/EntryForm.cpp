#include "dialogs/EntryForm.h"

#include "catalog/EntryActions.h"
#include "catalog/NameRules.h"
#include "catalog/ProgramState.h"
#include "vb/Control.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"
#include "vb/TextBox.h"
#include "vb/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

EntryForm::EntryForm(std::function<void()> releaseInstance, QWidget* parent)
    : vb::Form(parent), releaseInstance_(std::move(releaseInstance))
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

QString EntryForm::artistMessage()
{
    return QStringLiteral("Incorrect Entry!.  Please enter a value with no spaces or special characters.");
}

QString EntryForm::nameMessage()
{
    return QStringLiteral("Incorrect Entry!.  Please enter a value with no special characters.");
}

QLabel* EntryForm::addLabel(const char* name, const QString& caption, int left, int top, int width, int height)
{
    auto* label = new QLabel(caption, this);
    label->setObjectName(QLatin1String(name));
    vb::ctlMove(label, left, top, width, height);
    return label;
}

vb::TextBox* EntryForm::addTextBox(const char* name, int left, int top, int width, int height)
{
    auto* box = new vb::TextBox(this);
    box->setObjectName(QLatin1String(name));
    vb::ctlMove(box, left, top, width, height);
    registerControl(box, vb::ControlKind::TextBox);
    return box;
}

QComboBox* EntryForm::addComboBox(const char* name, int left, int top, int width, int height)
{
    auto* combo = new QComboBox(this);
    combo->setObjectName(QLatin1String(name));
    makeEditable(combo);
    vb::ctlMove(combo, left, top, width, height);
    registerControl(combo, vb::ControlKind::ComboBox);
    return combo;
}

QPushButton* EntryForm::addButton(const char* name, const QString& caption, int left, int top)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    vb::ctlMove(button, left, top, 1215, 375);
    registerControl(button, vb::ControlKind::CommandButton);
    return button;
}

void EntryForm::paintWhite(QWidget* field)
{
    // Dark text with the white, whatever the desktop theme's text colour is.
    QPalette pal = field->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(0x60, 0x60, 0x60));
    field->setPalette(pal);
}

void EntryForm::setTabChain(const QList<QWidget*>& fields)
{
    for (int i = 1; i < fields.size(); ++i)
        setTabOrder(fields[i - 1], fields[i]);
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

QString EntryForm::trimField(QWidget* field)
{
    auto* box = qobject_cast<vb::TextBox*>(field);
    auto* combo = qobject_cast<QComboBox*>(field);
    const QString text = box ? box->Text() : combo->currentText();
    const QString trimmed = vb::Trim(text);
    if (trimmed != text) {
        if (box)
            box->setText(trimmed);
        else
            combo->setEditText(trimmed);
    }
    return trimmed;
}

bool EntryForm::acceptName(QWidget* field, const QString& message)
{
    const QString text = trimField(field);
    if (!text.isEmpty() && IsValidName(text))
        return true;
    refuseField(field, message);
    return false;
}

void EntryForm::saveEntry(const CatalogEntry& entry, vb::TextBox* again, const QString& anotherPrompt)
{
    bool ok = false;
    if (ModifyMode) {
        UpdateItem(CurrentEntry, entry, ok);
        if (ok) {
            closeDialog();
            return;
        }
    } else {
        AddItem(entry, again->Text(), ok);
        if (ok) {
            setMousePointer(vb::vbDefault);
            if (vb::MsgBox(anotherPrompt, vb::vbYesNo, QStringLiteral("More Data?")) == vb::vbNo) {
                closeDialog();
                return;
            }
        }
    }
    setMousePointer(vb::vbDefault);
    again->selectWhole();
    again->setFocus(Qt::OtherFocusReason);
}

void EntryForm::closeForm()
{
    Hide();
    releaseInstance_();
    vb::Unload(this);
}

void EntryForm::closeDialog()
{
    closing_ = true;
    closeForm();
    setMousePointer(vb::vbDefault);
}

void EntryForm::cmdCancel_Click()
{
    if (closing_)
        return;
    closing_ = true;
    setMousePointer(vb::vbHourglass);
    closeForm();
    setMousePointer(vb::vbDefault);
    vb::DoEvents();
}

void EntryForm::cmdHelp_Click() { sendF1(); }

void EntryForm::Form_Resize()
{
    setMousePointer(vb::vbHourglass);
    centreOnScreen();
    setMousePointer(vb::vbDefault);
}

void EntryForm::Form_Unload(int& cancel)
{
    (void)cancel;
    cmdCancel_Click();
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
