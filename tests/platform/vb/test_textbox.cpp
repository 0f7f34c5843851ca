#include "vb/TextBox.h"
#include "vb/VbTypes.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The limit stops the user, never the program: typing and pasting stop at the
// limit, a longer text set by the program stays whole and may only shrink.
TEST(TextBoxTest, TheLimitStopsTypingButKeepsALongerTextThatWasSet)
{
    vb::TextBox box;
    box.setMaxLength(5);
    box.show();
    box.setFocus();

    QTest::keyClicks(&box, QStringLiteral("abcdefg"));
    EXPECT_EQ(box.text(), "abcde");

    box.clear();
    QTest::keyClicks(&box, QStringLiteral("ab"));
    QApplication::clipboard()->setText(QStringLiteral("123456"));
    box.setCursorPosition(1);
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box.text(), "a123b"); // only what fits of the pasted text
    EXPECT_EQ(box.cursorPosition(), 4);

    const QString prefilled = QStringLiteral("a name longer than five");
    box.setText(prefilled);
    EXPECT_EQ(box.text(), prefilled);
    box.end(false);
    QTest::keyClick(&box, Qt::Key_X);
    EXPECT_EQ(box.text(), prefilled);
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.text(), prefilled.chopped(1));
    // Replacing a selection by a shorter text is allowed; by a longer one is not.
    box.setSelection(0, 6);
    QTest::keyClick(&box, Qt::Key_Z);
    EXPECT_EQ(box.text(), "z" + prefilled.chopped(1).mid(6));
}

// A limit counts UTF-16 units; a character of two units that does not fit is
// left out whole, however it comes in, and no half of one is ever kept.
TEST(TextBoxTest, ACharacterThatDoesNotFitWholeIsLeftOutWhole)
{
    const QString guitar = QString::fromUtf8("\xF0\x9F\x8E\xB8");   // U+1F3B8
    const QString keyboard = QString::fromUtf8("\xF0\x9F\x8E\xB9"); // U+1F3B9, the same first half
    enum class How { Type, Paste, InputMethod };
    struct Case {
        const char* name;
        int limit;
        QString before;
        int selectFrom, selectLength; // the caret at selectFrom when the length is 0
        How how;
        QString inserted;
        QString after;
    };
    const QString p59 = QString(59, u'P');
    const std::vector<Case> cases = {
        {"typed into the last unit", 15, QString(14, u'a'), 14, 0, How::Type, guitar, QString(14, u'a')},
        {"typed into the last two units", 15, QString(13, u'a'), 13, 0, How::Type, guitar, QString(13, u'a') + guitar},
        {"typed in the middle", 5, QStringLiteral("abcd"), 2, 0, How::Type, guitar, QStringLiteral("abcd")},
        {"composed", 60, p59, 59, 0, How::InputMethod, guitar, p59},
        {"pasted long", 60, QString(), 0, 0, How::Paste, p59 + guitar + QString(20000, u'Q'), p59},
        {"pasted over a selection", 5, QStringLiteral("ab") + guitar, 2, 2, How::Paste, guitar + QStringLiteral("xyz"),
         QStringLiteral("ab") + guitar + QStringLiteral("x")},
        // The replaced character and the pasted one share their first half.
        {"pasted over a character of a longer text", 5, QStringLiteral("abcdef") + guitar, 6, 2, How::Paste,
         keyboard + QStringLiteral("x"), QStringLiteral("abcdef")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vb::TextBox box;
        box.setMaxLength(c.limit);
        box.show();
        box.setFocus();
        box.setText(c.before);
        if (c.selectLength > 0)
            box.setSelection(c.selectFrom, c.selectLength);
        else
            box.setCursorPosition(c.selectFrom);
        switch (c.how) {
        case How::Type: {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, c.inserted);
            QApplication::sendEvent(&box, &press);
            break;
        }
        case How::Paste:
            QApplication::clipboard()->setText(c.inserted);
            QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
            break;
        case How::InputMethod: {
            QInputMethodEvent commit;
            commit.setCommitString(c.inserted);
            QApplication::sendEvent(&box, &commit);
            break;
        }
        }
        EXPECT_EQ(box.text(), c.after);
        EXPECT_FALSE(vb::hasLoneSurrogate(box.text()));
    }
}

TEST(TextBoxTest, AMaskedBoxShowsItsUnfilledPositions)
{
    vb::TextBox box;
    box.setInputMask(QStringLiteral("99/99/9999;_"));
    EXPECT_EQ(box.Text(), "__/__/____");
    box.setText(QStringLiteral("12/3"));
    EXPECT_EQ(box.Text(), "12/3_/____");
    box.setText(QStringLiteral("01/02/1990"));
    EXPECT_EQ(box.Text(), "01/02/1990");
    box.selectWhole();
    EXPECT_EQ(box.selectedText(), "01/02/1990");
}

} // namespace
