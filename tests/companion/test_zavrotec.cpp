#include "companion/Program.h"
#include "companion/frmAboutZAVROTech.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

// A window whose end of the program is only counted.
struct Window {
    int ends = 0;
    frmAboutZAVROTech form{[this] { ++ends; }};
};

QPoint centredPosition(const QWidget& w)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect outer = w.frameGeometry();
    return {(screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2};
}

TEST(ZavrotecTest, LoadSetsTheCaptionFromTheProgramTitleAndTheWindowHasTheIcon)
{
    Window w;
    EXPECT_EQ(w.form.windowTitle(), "About ZAVRO Dodi");
    const QIcon icon = w.form.windowIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
    EXPECT_NE(icon.pixmap(16).toImage().pixel(8, 8), 0u) << "the icon is drawn";
}

TEST(ZavrotecTest, DescriptionIsOneParagraphAnEmptyLineAndTheContactSentence)
{
    Window w;
    const QString text = w.form.lblDescription->text();
    const QStringList parts = text.split(QStringLiteral("\r\n\r\n"));
    ASSERT_EQ(parts.size(), 2) << text.toStdString();
    const QString& paragraph = parts[0];
    const QString& contact = parts[1];

    for (const QString& part : parts) {
        EXPECT_FALSE(part.contains(QLatin1Char('\r')) || part.contains(QLatin1Char('\n'))) << part.toStdString();
        EXPECT_EQ(part, part.trimmed()) << part.toStdString();
        EXPECT_FALSE(part.contains(QStringLiteral("  "))) << part.toStdString();
    }
    // The pieces are joined with nothing between them: each must carry its own blank.
    EXPECT_FALSE(paragraph.contains(QRegularExpression(QStringLiteral("[.,;:][^ ]"))))
        << paragraph.toStdString();
    EXPECT_FALSE(paragraph.contains(QRegularExpression(QStringLiteral("[a-z][A-Z]")))) << paragraph.toStdString();
    EXPECT_TRUE(paragraph.startsWith(QStringLiteral("ZAVRO Dodi ")));
    EXPECT_TRUE(paragraph.endsWith(QLatin1Char('.')));

    EXPECT_TRUE(contact.contains(QStringLiteral(" www.zavrododi.example "))) << contact.toStdString();
    EXPECT_TRUE(contact.contains(QStringLiteral(" sales@zavrododi.example."))) << contact.toStdString();
    EXPECT_TRUE(contact.endsWith(QLatin1Char('.')));
    EXPECT_FALSE(contact.contains(QRegularExpression(QStringLiteral("[.!?] ")))) << "one sentence only";
}

TEST(ZavrotecTest, DescriptionFitsItsLabel)
{
    Window w;
    const QLabel& label = *w.form.lblDescription;
    QString shown = label.text();
    shown.remove(QLatin1Char('\r'));
    const QRect needed = QFontMetrics(label.font())
                             .boundingRect(QRect(0, 0, label.width(), 10000), Qt::TextWordWrap, shown);
    EXPECT_LE(needed.height(), label.height());
}

TEST(ZavrotecTest, LogoIsDrawnAt259By64OnTheGreyBackground)
{
    Window w;
    const QImage image = w.form.picIcon->pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(259, 64));
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) & 0xFFFFFF);
    EXPECT_TRUE(colours.count(qRgb(192, 192, 192) & 0xFFFFFF));
    EXPECT_GT(colours.size(), 2u) << "the logo itself is missing";
    EXPECT_EQ(w.form.picIcon->palette().color(QPalette::Window), QColor(192, 192, 192));
}

TEST(ZavrotecTest, ShowingTheWindowCentresIt)
{
    Window w;
    w.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.form));
    const QPoint expected = centredPosition(w.form);
    EXPECT_NEAR(w.form.frameGeometry().x(), expected.x(), 1);
    EXPECT_NEAR(w.form.frameGeometry().y(), expected.y(), 1);
    EXPECT_EQ(w.ends, 0);
}

TEST(ZavrotecTest, ResizeCentresInTheNormalStateOnly)
{
    const struct {
        Qt::WindowState state;
        bool centred;
    } cases[] = {
        {Qt::WindowNoState, true},
        {Qt::WindowMinimized, false},
        {Qt::WindowMaximized, false},
        {Qt::WindowFullScreen, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        Window w;
        // Moving a window drops its maximised state, so the state comes second.
        w.form.move(3, 5);
        w.form.setWindowState(c.state);
        ASSERT_EQ(w.form.windowState(), c.state);
        const QPoint centred = centredPosition(w.form);
        const QPoint before = w.form.pos();
        w.form.Form_Resize();
        if (c.centred) {
            EXPECT_NEAR(w.form.frameGeometry().x(), centred.x(), 1);
            EXPECT_NEAR(w.form.frameGeometry().y(), centred.y(), 1);
        } else {
            // Neither the state change itself nor a later resize has moved it to the centre.
            EXPECT_NE(before, centred);
            EXPECT_EQ(w.form.pos(), before);
        }
        EXPECT_EQ(w.form.cursor().shape(), Qt::ArrowCursor) << "the pointer is back to the default";
    }
}

TEST(ZavrotecTest, OkEnterEscapeAndTheCloseBoxEndTheProgramOnce)
{
    using Act = std::function<void(frmAboutZAVROTech&)>;
    // Keys go in through the window system, to whatever has the focus.
    const auto key = [](Qt::Key k, bool focusOnOk, Qt::KeyboardModifiers modifiers = Qt::NoModifier) -> Act {
        return [=](frmAboutZAVROTech& f) {
            if (!focusOnOk)
                f.cmdAction[0]->clearFocus();
            ASSERT_EQ(QApplication::focusWidget(), focusOnOk ? f.cmdAction[0] : nullptr);
            QTest::keyClick(f.windowHandle(), k, modifiers);
        };
    };
    const struct {
        const char* name;
        Act act;
        bool ends;
    } cases[] = {
        {"click OK", [](frmAboutZAVROTech& f) { QTest::mouseClick(f.cmdAction[0], Qt::LeftButton); }, true},
        {"Return", key(Qt::Key_Return, true), true},
        {"keypad Enter", key(Qt::Key_Enter, true, Qt::KeypadModifier), true},
        {"Escape", key(Qt::Key_Escape, true), true},
        {"Return without focus", key(Qt::Key_Return, false), true},
        {"Escape without focus", key(Qt::Key_Escape, false), true},
        {"close box", [](frmAboutZAVROTech& f) { f.windowHandle()->close(); }, true},
        {"another key", key(Qt::Key_A, true), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        w.form.show();
        w.form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
        c.act(w.form);
        QApplication::processEvents();
        EXPECT_EQ(w.ends, c.ends ? 1 : 0);
        EXPECT_EQ(w.form.isVisible(), !c.ends);
    }
}

TEST(ZavrotecTest, TheDefaultEndQuitsTheEventLoop)
{
    frmAboutZAVROTech form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTimer::singleShot(0, form.cmdAction[0], [&form] { form.cmdAction[0]->click(); });
    bool stuck = false;
    QTimer::singleShot(5000, [&stuck] { stuck = true; QCoreApplication::exit(1); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(stuck);
    EXPECT_FALSE(form.isVisible());
}

} // namespace

int main(int argc, char** argv)
{
    // Keep Qt's runtime files inside a scratch folder.
    QTemporaryDir scratch;
    const QByteArray root = scratch.path().toLocal8Bit();
    QDir(scratch.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(scratch.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/config");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    companion::applyVersionData();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
