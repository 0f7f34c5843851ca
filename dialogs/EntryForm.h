#pragma once

#include "vb/Form.h"

#include <QHash>
#include <QPointer>

#include <functional>

class QComboBox;
class QPushButton;

// What the entry dialogs share: a fixed dialog window in which Enter runs the
// default button (or the button that has the focus), once, also from inside a
// combo box; Esc closes nothing; the Help button sends F1, which the program
// answers with the topic of the window's help context; and a field given a focus handler runs it each time the field
// receives the focus, after Qt's own focus handling has placed the cursor.
class EntryForm : public vb::Form {
    Q_OBJECT
public:
    explicit EntryForm(QWidget* parent = nullptr);

protected:
    // The inner size in twips; the window cannot be resized.
    void setClientSize(int width, int height);
    void setDefaultButton(QPushButton* button);
    void onGotFocus(QWidget* field, std::function<void()> handler);
    // Watches the keys of every control made so far; the constructor calls it last.
    void watchControls();
    // One small font for the whole window, the largest in which every label's
    // text fits the label's width (the layout was drawn for a narrow 8-point font).
    void fitFont();

    // Sends the F1 key to the control that has the focus, as a user pressing it would.
    // The program's F1 handling (help::enableF1) shows the topic of HelpContextID.
    void sendF1();
    // An editable combo box that never completes the typed text nor adds it to its list.
    static void makeEditable(QComboBox* combo);
    // Selects the whole text of a text box or combo box.
    static void selectWhole(QWidget* field);
    // Selects the whole text of a field that failed a test, gives it the focus
    // and shows the message (critical, "User Error!"), even when the field is disabled.
    void refuseField(QWidget* field, const QString& message);
    // Hides the window, drops the program's reference and unloads it.
    void closeForm(const std::function<void()>& release);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<QPushButton> defaultButton_;
    QHash<QObject*, std::function<void()>> gotFocus_;
};
