#pragma once

#include <QLineEdit>

namespace vb {

// A text box whose length limit stops the typing only: typing, pasting or
// dropping text never makes the text longer than the limit (an insertion is cut
// to what fits), but a text the program sets is kept whole, however long, and
// the user may still shorten it. QLineEdit::setMaxLength would cut it instead.
// With an input mask, Text() is the shown text, unfilled positions included.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    // 0: no limit.
    int MaxLength() const { return maxLength_; }
    void setMaxLength(int length);

    QString Text() const;
    // Selects the whole text (selection start 0, length the text's length).
    void selectWhole();

protected:
    bool event(QEvent* event) override;

private:
    friend class TypingLimit;
    int maxLength_ = 0;
    // The text before the edit at hand.
    QString accepted_;
    // Set while the box handles the user's input, the only edits the limit applies to.
    bool userEdit_ = false;
};

} // namespace vb
