#include "vb/TextBox.h"

#include <QApplication>
#include <QClipboard>
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
