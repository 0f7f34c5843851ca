#pragma once

#include "vb/Form.h"

#include <QHash>
#include <QPointer>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
struct CatalogEntry;
namespace vb {
class TextBox;
}

// What the entry dialogs share: a fixed dialog window in which Enter runs the
// default button (or the button that has the focus), once, also from inside a
// combo box; Esc closes nothing; the Help button sends F1, which the program
// answers with the topic of the window's help context; and a field given a focus handler runs it each time the field
// receives the focus, after Qt's own focus handling has placed the cursor.
// Closing hides the window, releases it from its default instance and unloads it.
class EntryForm : public vb::Form {
    Q_OBJECT
public:
    // releaseInstance drops the program's reference to the window (its default instance).
    explicit EntryForm(std::function<void()> releaseInstance, QWidget* parent = nullptr);

    // Closes the window once (the hourglass shows while it goes); also what closing it does.
    void cmdCancel_Click();
    void cmdHelp_Click();

protected:
    // The refusals of a name field that fails the name rules.
    static QString artistMessage();
    static QString nameMessage();

    // Controls placed in twips and registered in the order they are made.
    QLabel* addLabel(const char* name, const QString& caption, int left, int top, int width, int height);
    vb::TextBox* addTextBox(const char* name, int left, int top, int width, int height);
    QComboBox* addComboBox(const char* name, int left, int top, int width, int height);
    QPushButton* addButton(const char* name, const QString& caption, int left, int top);
    // A field whose background stays white also when it is disabled, with dark text.
    static void paintWhite(QWidget* field);
    // Tab order in the order given.
    void setTabChain(const QList<QWidget*>& fields);

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
    // Replaces a text box's or combo box's text by its trimmed text and returns it.
    static QString trimField(QWidget* field);
    // Trims the field; refuses it with the message when it is empty or breaks the name rules.
    bool acceptName(QWidget* field, const QString& message);
    // Saves a record or a song title: in modify mode the changes to CurrentEntry
    // (the window closes once they are saved), else a new entry named by the text
    // of `again`, after which the user chooses between another one (the answer to
    // anotherPrompt) and closing. While the window stays, `again` has the focus.
    void saveEntry(const CatalogEntry& entry, vb::TextBox* again, const QString& anotherPrompt);
    // Closes the window after a save.
    void closeDialog();

    void Form_Resize() override;
    void Form_Unload(int& cancel) override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void closeForm();

    std::function<void()> releaseInstance_;
    bool closing_ = false;
    QPointer<QPushButton> defaultButton_;
    QHash<QObject*, std::function<void()>> gotFocus_;
};
