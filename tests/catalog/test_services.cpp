#include "catalog/ScreenLayout.h"
#include "catalog/SoundOption.h"
#include "catalog/modRegistry.h"
#include "support/TestEnv.h"
#include "vb/App.h"
#include "vb/Control.h"
#include "vb/Form.h"
#include "vb/Twips.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const QString kKey = QStringLiteral("SOFTWARE\\ZAVRO Dodi\\Discavo 3\\3.00.000");

class RegistryServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = qgetenv("DISCAVO_REGISTRY_FILE");
        qputenv("DISCAVO_REGISTRY_FILE", QFile::encodeName(store()));
    }
    void TearDown() override { qputenv("DISCAVO_REGISTRY_FILE", previous_); }
    QString store() const { return dir_.filePath(QStringLiteral("registry.json")); }

    static void putRaw(const QString& name, std::uint32_t type, const QByteArray& data)
    {
        HKEY key = 0;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kKey.toUtf8().constData(), &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name.toUtf8().constData(), 0, type,
                                 reinterpret_cast<const unsigned char*>(data.constData()),
                                 static_cast<std::uint32_t>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    struct Raw {
        std::int32_t rc = -1;
        std::uint32_t type = 0;
        QByteArray data;
    };

    static Raw getRaw(const QString& key, const QString& name)
    {
        Raw raw;
        HKEY handle = 0;
        raw.rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.toUtf8().constData(), 0, KEY_QUERY_VALUE, &handle);
        if (raw.rc != ERROR_SUCCESS)
            return raw;
        std::uint32_t size = 0;
        const QByteArray n = name.toUtf8();
        raw.rc = RegQueryValueExA(handle, n.constData(), nullptr, &raw.type, nullptr, &size);
        raw.data = QByteArray(static_cast<qsizetype>(size), '\0');
        if (raw.rc == ERROR_SUCCESS)
            raw.rc = RegQueryValueExA(handle, n.constData(), nullptr, &raw.type,
                                      reinterpret_cast<unsigned char*>(raw.data.data()), &size);
        RegCloseKey(handle);
        return raw;
    }

    QTemporaryDir dir_;
    QByteArray previous_;
};

TEST_F(RegistryServices, GetStringReadsOnlyStringValues)
{
    putRaw(QStringLiteral("PlaySoundOnExit"), REG_SZ, QByteArray("True\0", 5));
    putRaw(QStringLiteral("Tail"), REG_SZ, QByteArray("True\0junk\0", 10));
    putRaw(QStringLiteral("NoNul"), REG_SZ, QByteArray("abc"));
    putRaw(QStringLiteral("Empty"), REG_SZ, QByteArray());
    putRaw(QStringLiteral("Name"), REG_SZ, QByteArray("Bj\xC3\xB6rk\0", 7));
    putRaw(QStringLiteral("Number"), REG_DWORD, QByteArray("\x01\x00\x00\x00", 4));
    putRaw(QStringLiteral("Expand"), REG_EXPAND_SZ, QByteArray("x\0", 2));

    struct Case {
        HKEY root;
        QString key;
        QString name;
        QString expected;
    };
    const std::vector<Case> cases = {
        {HKEY_LOCAL_MACHINE, kKey, QStringLiteral("PlaySoundOnExit"), QStringLiteral("True")},
        {HKEY_LOCAL_MACHINE, kKey.toUpper(), QStringLiteral("playsoundonexit"), QStringLiteral("True")},
        {HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Tail"), QStringLiteral("True")},
        {HKEY_LOCAL_MACHINE, kKey, QStringLiteral("NoNul"), QStringLiteral("abc")},
        {HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Empty"), QString()},
        {HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Name"), QStringLiteral("Bj\u00F6rk")},
        {HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Number"), QString()},
        {HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Expand"), QString()},
        {HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Missing"), QString()},
        {HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSInfo"), QStringLiteral("PATH"),
         QString()},
        {HKEY_CURRENT_USER, kKey, QStringLiteral("PlaySoundOnExit"), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RegGetString(c.root, c.key, c.name), c.expected) << c.key.toStdString() << " / " << c.name.toStdString();
}

TEST_F(RegistryServices, SetStringStoresTextWithItsNulUnderLocalMachine)
{
    struct Case {
        QString value;
        QByteArray stored;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("True"), QByteArray("True\0", 5)},
        {QString(), QByteArray()},
        // The length counts bytes of the stored text, so nothing is cut off.
        {QStringLiteral("Bj\u00F6rk Gu\u00F0mundsd\u00F3ttir"), QByteArray("Bj\xC3\xB6rk Gu\xC3\xB0mundsd\xC3\xB3ttir\0", 24)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        EXPECT_EQ(RegSetString(kKey, QStringLiteral("PlaySoundOnExit"), c.value), 0);
        const Raw raw = getRaw(kKey, QStringLiteral("PlaySoundOnExit"));
        EXPECT_EQ(raw.rc, ERROR_SUCCESS);
        EXPECT_EQ(raw.type, REG_SZ);
        EXPECT_EQ(raw.data, c.stored);
        EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, kKey, QStringLiteral("PlaySoundOnExit")), c.value);
    }
}

TEST_F(RegistryServices, SetStringRefusesEmptyNamesAndReportsAStoreThatCannotBeSaved)
{
    EXPECT_EQ(RegSetString(QStringLiteral("SOFTWARE\\New"), QString(), QStringLiteral("x")), 1010);
    EXPECT_EQ(RegSetString(QString(), QStringLiteral("Value"), QStringLiteral("x")), 1010);
    EXPECT_EQ(getRaw(QStringLiteral("SOFTWARE\\New"), QString()).rc, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(getRaw(QStringLiteral("SOFTWARE"), QString()).rc, ERROR_FILE_NOT_FOUND);

    QFile blocker(dir_.filePath(QStringLiteral("plainfile")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("DISCAVO_REGISTRY_FILE", QFile::encodeName(dir_.filePath(QStringLiteral("plainfile/registry.json"))));
    EXPECT_NE(RegSetString(kKey, QStringLiteral("PlaySoundOnExit"), QStringLiteral("True")), 0);
    EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, kKey, QStringLiteral("PlaySoundOnExit")), QString());
}

TEST(SoundOption, RewritesTheTwoLineFile)
{
    testenv::ProgramFolder folder;
    const QString exeName = vb::App::EXEName();
    vb::App::setEXEName(QStringLiteral("records"));
    EXPECT_EQ(SoundOptionFile(), QDir::toNativeSeparators(folder.path() + QStringLiteral("/records.snd")));

    auto content = [&] {
        QFile file(folder.file(QStringLiteral("records.snd")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    SavePlaySoundOption(false);
    SavePlaySoundOption(false);
    EXPECT_EQ(content(), QByteArray("[Options]\r\nPlayZAVROTechSound = False\r\n"));
    SavePlaySoundOption(true);
    EXPECT_EQ(content(), QByteArray("[Options]\r\nPlayZAVROTechSound = True\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("records.snd")});

    // A program folder that cannot hold files: nothing written, nothing shown.
    QFile blocker(folder.file(QStringLiteral("plainfile")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    vb::App::setPath(folder.file(QStringLiteral("plainfile")));
    SavePlaySoundOption(false);
    EXPECT_FALSE(QFileInfo::exists(SoundOptionFile()));
    vb::App::setPath(folder.path());
    vb::App::setEXEName(exeName);
}

TEST(ScreenLayout, ScreenSizeIsTheScreenTheTwipsMeasure)
{
    std::int32_t width = -1;
    std::int32_t height = -1;
    GetScreenSize(width, height);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(width, screen.width());
    EXPECT_EQ(height, screen.height());
    // The self-scaling windows divide one measure by the other: on one display that is 1.
    EXPECT_EQ(vb::ScreenWidth() / vb::TwipsPerPixelX(), width);
    EXPECT_EQ(vb::ScreenHeight() / vb::TwipsPerPixelY(), height);
}

// A window with one control of each kind, placed in pixels.
class LayoutWindow : public vb::Form {
public:
    LayoutWindow()
    {
        setGeometry(100, 200, 400, 300);
        place(combo, vb::ControlKind::ComboBox, {20, 10, 120, 22});
        place(text, vb::ControlKind::TextBox, {30, 40, 100, 20});
        place(list, vb::ControlKind::Other, {10, 60, 200, 100});
        place(button, vb::ControlKind::CommandButton, {120, 180, 80, 24});
        place(status, vb::ControlKind::StatusBar, {0, 220, 400, 20});
        place(line, vb::ControlKind::Line, {5, 5, 50, 2});
        place(labels[0], vb::ControlKind::Other, {200, 0, 40, 16});
        place(labels[1], vb::ControlKind::Other, {250, 0, 40, 16});
        registerControl(&timer, vb::ControlKind::Timer);
        menu->setGeometry(0, 0, 100, 50);
        registerControl(menu, vb::ControlKind::Menu);
        line->setFrameShape(QFrame::HLine);
    }

    QComboBox* combo = new QComboBox(this);
    QLineEdit* text = new QLineEdit(this);
    QTreeWidget* list = new QTreeWidget(this);
    QPushButton* button = new QPushButton(this);
    QStatusBar* status = new QStatusBar(this);
    QFrame* line = new QFrame(this);
    QLabel* labels[2] = {new QLabel(this), new QLabel(this)};
    QMenu* menu = new QMenu(this);
    QTimer timer{this};

private:
    void place(QWidget* w, vb::ControlKind kind, QRect r)
    {
        w->setGeometry(r);
        registerControl(w, kind);
    }
};

TEST(ScreenLayout, ScalesEachControlByItsKind)
{
    struct Case {
        const char* name;
        float x, y;
        bool firstLayout;
        QRect window, combo, text, list, button, status, label1;
    };
    const QRect window0(100, 200, 400, 300);
    const std::vector<Case> cases = {
        {"unit factors", 1, 1, true, window0, {20, 10, 120, 22}, {30, 40, 100, 20}, {10, 60, 200, 100},
         {120, 180, 80, 24}, {0, 220, 400, 20}, {250, 0, 40, 16}},
        {"controls only", 2, 0.5f, false, window0, {40, 5, 240, 22}, {60, 20, 200, 20}, {20, 30, 400, 50},
         {240, 90, 160, 24}, {0, 110, 800, 20}, {500, 0, 80, 8}},
        {"first layout", 2, 0.5f, true, {200, 100, 800, 150}, {40, 5, 240, 22}, {60, 20, 200, 20},
         {20, 30, 400, 50}, {240, 90, 160, 24}, {0, 110, 800, 20}, {500, 0, 80, 8}},
        {"overflowing factors are refused", std::numeric_limits<float>::infinity(), std::nanf(""), true, window0,
         {20, 10, 120, 22}, {30, 40, 100, 20}, {10, 60, 200, 100}, {120, 180, 80, 24}, {0, 220, 400, 20},
         {250, 0, 40, 16}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LayoutWindow w;
        FirstLayout = c.firstLayout;
        ScaleFormControls(c.x, c.y, w);
        FirstLayout = false;
        EXPECT_EQ(w.frameGeometry(), c.window);
        EXPECT_EQ(w.combo->geometry(), c.combo);
        EXPECT_EQ(w.text->geometry(), c.text);
        EXPECT_EQ(w.list->geometry(), c.list);
        EXPECT_EQ(w.button->geometry(), c.button);
        EXPECT_EQ(w.status->geometry(), c.status);
        EXPECT_EQ(w.labels[1]->geometry(), c.label1);
        // Lines and menus have no place to scale.
        EXPECT_EQ(w.line->geometry(), QRect(5, 5, 50, 2));
        EXPECT_EQ(w.menu->geometry(), QRect(0, 0, 100, 50));
    }
}

TEST(ScreenLayout, ControlsListsWhatTheWindowPlacedInOrderAndOutlivesDeletedOnes)
{
    LayoutWindow w;
    const auto& controls = w.Controls();
    ASSERT_EQ(controls.size(), 10u);
    EXPECT_EQ(controls[0].object, w.combo);
    EXPECT_EQ(controls[6].object, w.labels[0]);
    EXPECT_EQ(controls[7].object, w.labels[1]);
    EXPECT_EQ(controls[8].kind, vb::ControlKind::Timer);
    w.registerControl(w.combo, vb::ControlKind::Other);
    EXPECT_EQ(controls.size(), 10u);

    delete w.list;
    FirstLayout = false;
    ScaleFormControls(2, 2, w);
    EXPECT_EQ(w.text->geometry(), QRect(60, 80, 200, 20));
}

TEST(ScreenLayout, TrimTextRemovesBlanksOnly)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("  Abbey Road  "), QStringLiteral("Abbey Road")},
        {QString(), QString()},
        {QStringLiteral("   "), QString()},
        {QStringLiteral(" a  b "), QStringLiteral("a  b")},
        {QStringLiteral("\tName\r\n"), QStringLiteral("\tName\r\n")},
        {QStringLiteral(" \u00A0x\u00A0 "), QStringLiteral("\u00A0x\u00A0")},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(TrimText(text), expected) << text.toStdString();
}

} // namespace
