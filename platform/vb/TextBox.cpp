#include "vb/TextBox.h"

#include <QEvent>
#include <QScopedValueRollback>
#include <QValidator>

namespace vb {

// Qt validates every change of the text, so the limit looks at the user's
// edits only (the box's own input events). An edit is measured against the text before it: one that would grow the text
// beyond the limit keeps only as much of what it inserts as fits.
class TypingLimit : public QValidator {
public:
    explicit TypingLimit(TextBox* box) : QValidator(box), box_(box) {}

    State validate(QString& input, int& pos) const override
    {
        const int limit = box_->maxLength_;
        const QString& before = box_->accepted_;
        if (!box_->userEdit_ || limit <= 0 || input.size() <= limit || input.size() <= before.size())
            return Acceptable;
        // The inserted part lies between the common head and tail of the two texts.
        const int maxCommon = static_cast<int>(std::min(before.size(), input.size()));
        int head = 0;
        while (head < maxCommon && before.at(head) == input.at(head))
            ++head;
        int tail = 0;
        while (tail < maxCommon - head && before.at(before.size() - 1 - tail) == input.at(input.size() - 1 - tail))
            ++tail;
        // The edit takes whole characters: a two-unit character the edit changes
        // belongs to it, not to the head or tail.
        if (head > 0 && input.at(head - 1).isHighSurrogate())
            --head;
        if (tail > 0 && input.at(input.size() - tail).isLowSurrogate())
            --tail;
        const int removed = static_cast<int>(before.size()) - head - tail;
        const int inserted = static_cast<int>(input.size()) - head - tail;
        const int room = std::max(0, limit - (static_cast<int>(before.size()) - removed));
        int kept = std::min(inserted, room);
        // A character that does not fit whole is left out whole.
        if (kept > 0 && kept < inserted && input.at(head + kept - 1).isHighSurrogate()
            && input.at(head + kept).isLowSurrogate())
            --kept;
        input = input.left(head + kept) + input.right(tail);
        pos = head + kept;
        return Acceptable;
    }

private:
    TextBox* box_;
};

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
    setValidator(new TypingLimit(this));
    connect(this, &QLineEdit::textChanged, this, [this] { accepted_ = text(); });
}

bool TextBox::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::ContextMenu: {
        const QScopedValueRollback<bool> edit(userEdit_, true);
        return QLineEdit::event(event);
    }
    default:
        return QLineEdit::event(event);
    }
}

void TextBox::setMaxLength(int length) { maxLength_ = std::max(0, length); }

QString TextBox::Text() const { return inputMask().isEmpty() ? text() : displayText(); }

void TextBox::selectWhole() { setSelection(0, static_cast<int>(displayText().size())); }

} // namespace vb
