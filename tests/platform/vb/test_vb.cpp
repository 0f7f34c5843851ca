#include "support/TestEnv.h"
#include "vb/App.h"
#include "vb/DefaultInstance.h"
#include "vb/Form.h"
#include "vb/Keys.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"
#include "vb/VbTypes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QKeyEvent>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

class CountingForm : public vb::Form {
public:
    static inline int loads = 0;
    static inline int unloads = 0;
    static inline bool cancelNext = false;

protected:
    void Form_Load() override { ++loads; }
    void Form_Unload(int& cancel) override
    {
        ++unloads;
        if (cancelNext) {
            cancel = 1;
            cancelNext = false;
        }
    }
};

TEST(MsgBoxTest, ScriptedResponderRecordsCallsAndAnswersInOrder)
{
    testenv::ScriptedMsgBox boxes;
    boxes.answer(vb::vbYes);
    boxes.answer(vb::vbOK);
    EXPECT_EQ(vb::MsgBox("Continue?", vb::vbYesNo + vb::vbQuestion, "Question"), vb::vbYes);
    EXPECT_EQ(vb::MsgBox("Done."), vb::vbOK);
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[0].style, 36);
    EXPECT_EQ(boxes.calls()[0].title, "Question");
    // An empty title shows the application title.
    EXPECT_EQ(boxes.calls()[1].title, vb::App::Title());
}

TEST(MsgBoxTest, UnexpectedBoxFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(vb::MsgBox("Nobody expects this box."), "unexpected message box");
}

// Esc and the close box answer only a box that has OK or Cancel; a Yes/No box
// waits for a button. Driven through the real box.
TEST(MsgBoxTest, EscAndTheCloseBoxAnswerOnlyABoxWithOKOrCancel)
{
    struct Case {
        int style;
        std::optional<int> escAnswer; // none: Esc and the close box leave the box open
        QMessageBox::StandardButton then;
        int thenAnswer;
    };
    const std::vector<Case> cases = {
        {vb::vbYesNo, std::nullopt, QMessageBox::No, vb::vbNo},
        {vb::vbYesNo + vb::vbQuestion, std::nullopt, QMessageBox::Yes, vb::vbYes},
        {vb::vbAbortRetryIgnore, std::nullopt, QMessageBox::Ignore, vb::vbIgnore},
        {vb::vbOKOnly + vb::vbCritical, vb::vbOK, QMessageBox::Ok, vb::vbOK},
        {vb::vbOKCancel, vb::vbCancel, QMessageBox::Ok, vb::vbOK},
        {vb::vbYesNoCancel, vb::vbCancel, QMessageBox::Yes, vb::vbYes},
        {vb::vbRetryCancel, vb::vbCancel, QMessageBox::Retry, vb::vbRetry},
    };
    const testenv::ScriptedMsgBox restoresTheTestBoxAtTheEnd;
    vb::setMsgBoxResponder({});
    for (const bool byCloseBox : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.style);
            SCOPED_TRACE(byCloseBox ? "close box" : "Esc");
            bool stayedOpen = false;
            bool closeButtonShown = true;
            testenv::withWatchdog(5000, [&] {
                testenv::later(0, [&] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    ASSERT_TRUE(box);
                    closeButtonShown = box->windowFlags().testFlag(Qt::WindowCloseButtonHint);
                    if (byCloseBox) {
                        QCloseEvent close; // as the window system sends it
                        QSpontaneKeyEvent::setSpontaneous(&close);
                        QApplication::instance()->notify(box, &close);
                    } else {
                        QTest::keyClick(box, Qt::Key_Escape);
                    }
                    QApplication::processEvents();
                    stayedOpen = QApplication::activeModalWidget() == box && box->isVisible();
                    if (stayedOpen)
                        box->button(c.then)->click();
                });
                const int answer = vb::MsgBox(QStringLiteral("Do you want to enter another record?"), c.style,
                                              QStringLiteral("More Data?"));
                EXPECT_EQ(answer, c.escAnswer.value_or(c.thenAnswer));
            });
            EXPECT_EQ(stayedOpen, !c.escAnswer.has_value());
            EXPECT_EQ(closeButtonShown, c.escAnswer.has_value());
        }
    }
}

TEST(DefaultInstanceTest, FirstAccessLoadsOnceAndUnloadStartsAfresh)
{
    CountingForm::loads = CountingForm::unloads = 0;
    vb::DefaultInstance<CountingForm> frm;
    CountingForm* first = &frm();
    EXPECT_EQ(&frm(), first);
    EXPECT_EQ(CountingForm::loads, 1);

    first->Hide();
    frm.release();
    vb::Unload(first);
    EXPECT_EQ(CountingForm::unloads, 1);
    EXPECT_EQ(frm.peek(), nullptr);

    CountingForm* second = &frm();
    EXPECT_EQ(CountingForm::loads, 2);
    EXPECT_TRUE(second->isLoaded());
    vb::Unload(second);
    QApplication::processEvents();
}

TEST(DefaultInstanceTest, CancelledUnloadKeepsTheWindow)
{
    vb::DefaultInstance<CountingForm> frm;
    CountingForm::cancelNext = true;
    vb::Unload(&frm());
    ASSERT_NE(frm.peek(), nullptr);
    vb::Unload(frm.peek());
    EXPECT_EQ(frm.peek(), nullptr);
}

TEST(FormTest, ModalShowNestsAndReturnsWhenTheWindowIsUnloaded)
{
    auto* outer = new CountingForm;
    auto* inner = new CountingForm;
    std::vector<std::string> order;
    testenv::withWatchdog(5000, [&] {
        QTimer::singleShot(0, [&] {
            order.push_back("outer shown");
            QTimer::singleShot(0, [&] {
                order.push_back("inner shown");
                vb::Unload(inner);
            });
            inner->Show(vb::vbModal);
            order.push_back("inner returned");
            outer->close();
        });
        outer->Show(vb::vbModal);
        order.push_back("outer returned");
    });
    EXPECT_EQ(order, (std::vector<std::string>{"outer shown", "inner shown", "inner returned", "outer returned"}));
    QApplication::processEvents();
}

TEST(FormTest, CentresOnlyInTheNormalState)
{
    CountingForm form;
    form.resize(200, 100);
    form.move(0, 0);
    form.show();
    form.centreOnScreen();
    EXPECT_NEAR(form.Left(), (vb::ScreenWidth() - form.Width()) / 2, vb::TwipsPerPixelX());
    EXPECT_NEAR(form.Top(), (vb::ScreenHeight() - form.Height()) / 2, vb::TwipsPerPixelY());
    form.setWindowState(Qt::WindowMinimized);
    const auto left = form.Left();
    form.centreOnScreen();
    EXPECT_EQ(form.Left(), left);
}

// Qt numbers many keys like other keys' key codes; only keys with a key code of
// their own get one, and that code.
TEST(KeysTest, KeyEventsBecomeVisualBasicKeyCodesOrNone)
{
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::optional<int> code;
    };
    const std::vector<Case> cases = {
        {Qt::Key_Delete, Qt::NoModifier, vb::vbKeyDelete},
        {Qt::Key_Delete, Qt::KeypadModifier, vb::vbKeyDelete},
        {Qt::Key_Delete, Qt::ShiftModifier, vb::vbKeyDelete},
        {Qt::Key_Period, Qt::NoModifier, std::nullopt},
        {Qt::Key_Period, Qt::KeypadModifier, vb::vbKeyDecimal},
        {Qt::Key_Comma, Qt::NoModifier, std::nullopt},
        {Qt::Key_Minus, Qt::NoModifier, std::nullopt},
        {Qt::Key_Minus, Qt::KeypadModifier, vb::vbKeySubtract},
        {Qt::Key_Exclam, Qt::ShiftModifier, std::nullopt},
        {Qt::Key_Adiaeresis, Qt::NoModifier, std::nullopt},
        {Qt::Key_A, Qt::NoModifier, vb::vbKeyA},
        {Qt::Key_Z, Qt::ShiftModifier, vb::vbKeyZ},
        {Qt::Key_0, Qt::NoModifier, vb::vbKey0},
        {Qt::Key_9, Qt::NoModifier, vb::vbKey9},
        {Qt::Key_7, Qt::KeypadModifier, vb::vbKeyNumpad0 + 7},
        {Qt::Key_Backspace, Qt::NoModifier, vb::vbKeyBack},
        {Qt::Key_Insert, Qt::NoModifier, vb::vbKeyInsert},
        {Qt::Key_Home, Qt::KeypadModifier, vb::vbKeyHome},
        {Qt::Key_Enter, Qt::KeypadModifier, vb::vbKeyReturn},
        {Qt::Key_Print, Qt::NoModifier, vb::vbKeySnapshot},
        {Qt::Key_F1, Qt::NoModifier, vb::vbKeyF1},
        {Qt::Key_F16, Qt::NoModifier, vb::vbKeyF16},
        {Qt::Key_F17, Qt::NoModifier, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key).toString().toStdString());
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
        EXPECT_EQ(vb::KeyCode(event), c.code);
    }
    EXPECT_EQ(vb::ShiftState(Qt::ShiftModifier | Qt::AltModifier | Qt::KeypadModifier), vb::vbShiftMask | vb::vbAltMask);
}

// A window centred before it is on the screen has no frame yet, so its outer
// size is not known: it is centred again, frame and all, once it is shown.
TEST(FormTest, AWindowCentredBeforeItIsShownIsCentredAgainWhenShown)
{
    CountingForm form;
    form.resize(300, 120);
    form.centreOnScreen();
    form.move(0, 0); // where the window system might have put it
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::processEvents();
    EXPECT_NEAR(form.Left(), (vb::ScreenWidth() - form.Width()) / 2, vb::TwipsPerPixelX());
    EXPECT_NEAR(form.Top(), (vb::ScreenHeight() - form.Height()) / 2, vb::TwipsPerPixelY());

    // Once shown, the window goes only where it is put.
    form.move(10, 20);
    form.hide();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::processEvents();
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(10, 20));
}

TEST(RuntimeTest, EndGoesThroughTheInstalledHandler)
{
    testenv::EndRecorder ends;
    vb::End();
    EXPECT_EQ(ends.count(), 1);
}

TEST(TwipsTest, FifteenTwipsAPixelAtNinetySixDpi)
{
    // The offscreen platform reports 96 dpi.
    EXPECT_EQ(vb::TwipsPerPixelX(), 15);
    EXPECT_EQ(vb::twipsToPixelsX(3360), 224);
    EXPECT_EQ(vb::pixelsToTwipsY(224), 3360);
    // 32-bit arithmetic: wide screens do not wrap.
    EXPECT_EQ(vb::pixelsToTwipsX(3840), 57600);
}

TEST(VbTypesTest, DateSerialsAndStatementText)
{
    struct Case { vb::Date value; const char* text; };
    const Case cases[] = {
        {0.0, "12/30/1899"},
        {1.0, "12/31/1899"},
        {45000.0, "03/15/2023"},
        {45000.5, "03/15/2023 12:00:00"},
        {-1.0, "12/29/1899"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vb::dateToStatementText(c.value), c.text) << c.value;
        EXPECT_EQ(vb::dateFromStatementText(c.text), c.value) << c.text;
    }
    EXPECT_EQ(vb::dateFromStatementText("2/3/2001"), vb::dateFromQDate(QDate(2001, 2, 3)));
    EXPECT_FALSE(vb::dateFromStatementText("13/40/2001"));
    EXPECT_FALSE(vb::dateFromStatementText("tomorrow"));
}

TEST(VbTypesTest, CurrencyStatementTextHasNoGroupingAndNoTrailingZeros)
{
    struct Case { vb::Currency value; const char* text; };
    const Case cases[] = {{0, "0"}, {125000, "12.5"}, {10000, "1"}, {-5, "-0.0005"}, {12345678901234, "1234567890.1234"}};
    for (const Case& c : cases) {
        EXPECT_EQ(vb::currencyToStatementText(c.value), c.text);
        EXPECT_EQ(vb::currencyFromStatementText(c.text), c.value);
    }
    EXPECT_EQ(vb::currencyFromStatementText("1.00005"), 10001);
    EXPECT_FALSE(vb::currencyFromStatementText("1,5"));
    EXPECT_FALSE(vb::currencyFromStatementText(""));
}

} // namespace
