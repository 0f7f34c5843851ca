#include "app/frmAbout.h"
#include "catalog/modRegistry.h"
#include "shell/Shell.h"
#include "support/TestEnv.h"
#include "vb/App.h"
#include "vb/MousePointer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString kMsInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSInfo");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousRegistry_ = qgetenv("DISCAVO_REGISTRY_FILE");
        qputenv("DISCAVO_REGISTRY_FILE", QFile::encodeName(folder.file(QStringLiteral("registry.json"))));
        shell::setUrlOpener([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
    }
    void TearDown() override
    {
        if (frmAbout* about = frmAboutInstance().peek()) {
            frmAboutInstance().release();
            vb::Unload(about);
        }
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        shell::setUrlOpener({});
        shell::setProgramStarter({});
        vb::App::setVersion(3, 0, 5);
        qputenv("DISCAVO_REGISTRY_FILE", previousRegistry_);
    }

    // An executable file at path that leaves a mark beside the test folder when it runs.
    void makeProgram(const QString& path)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho started > \"" + QFile::encodeName(folder.file(QStringLiteral("started"))) + "\"\n");
        f.close();
        ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    testenv::ProgramFolder folder;
    std::vector<QUrl> opened;
    QByteArray previousRegistry_;
};

TEST_F(AboutTest, TextsAndTheVersionRule)
{
    frmAbout& about = frmAboutInstance()();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Discavo 3"));
    EXPECT_EQ(about.lblTitle[0]->text(), QStringLiteral("Discavo 3"));
    EXPECT_EQ(about.lblTitle[1]->text(), QStringLiteral("Discavo 3"));
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version 3.0.5"));
    EXPECT_EQ(about.lblCopyright->text(), vb::App::LegalCopyright());
    EXPECT_EQ(about.lblDescription->text(),
              QStringLiteral("Discavo is a desktop program that helps you organise your collection of record albums and "
                             "other media, such as cassette tapes, CDs, DVDs and videotapes. You enter the artists, the "
                             "records of each artist and their song titles into the database, and Discavo presents "
                             "everything in a tree hierarchy, the way the file explorer of Windows shows folders."));
    EXPECT_EQ(about.LblHomePage->text(), QStringLiteral("Home page: http://www.example.com/zavrododi/"));
    EXPECT_EQ(about.lblSupport->text(), QStringLiteral("Email: support@example.com"));
    EXPECT_EQ(about.cmdAction[0]->text(), QStringLiteral("&OK"));
    EXPECT_EQ(about.cmdAction[1]->text(), QStringLiteral("&System Info"));
    EXPECT_TRUE(about.windowIcon().isNull());
    frmAboutInstance().release();
    vb::Unload(&about);

    vb::App::setVersion(3, 0, 0);
    EXPECT_EQ(frmAboutInstance()().lblVersion->text(), QStringLiteral("Version 3.0"));
}

TEST_F(AboutTest, SystemInformationIsLookedUpAtEachOpening)
{
    const QString odd = folder.file(QStringLiteral("Tools; rm -rf x/ms info.exe"));
    const QString inFolder = folder.file(QStringLiteral("Shared Tools")) + QStringLiteral("/MSINFO32.EXE");
    struct Case {
        const char* what;
        QString path;     // first value, full path ("" = absent)
        QString location; // second value, folder only
        QString program;  // the file made before the opening
        QString expected; // mSysInfoPath
        bool enabled;
    };
    const Case cases[] = {
        {"neither value", "", "", "", "", false},
        {"full path to a program", odd, "", odd, odd, true},
        {"full path to nothing, folder value not consulted", folder.file("gone.exe"), folder.file("Shared Tools"),
         inFolder, folder.file("gone.exe"), false},
        {"folder only", "", folder.file("Shared Tools"), inFolder, inFolder, true},
        {"folder only, no program in it", "", folder.file("Empty"), "", folder.file("Empty") + "/MSINFO32.EXE", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(folder.file(QStringLiteral("registry.json")));
        if (!c.path.isEmpty())
            RegSetString(kMsInfoKey, QStringLiteral("PATH"), c.path);
        if (!c.location.isEmpty())
            RegSetString(kLocationKey, QStringLiteral("MSINFO"), c.location);
        if (!c.program.isEmpty())
            makeProgram(c.program);
        frmAbout& about = frmAboutInstance()();
        EXPECT_EQ(about.mSysInfoPath, c.expected);
        EXPECT_EQ(about.cmdAction[1]->isEnabled(), c.enabled);
        frmAboutInstance().release();
        vb::Unload(&about);
        if (!c.program.isEmpty())
            QFile::remove(c.program);
    }
    // Installed while the box was closed: the next opening finds it.
    QFile::remove(folder.file(QStringLiteral("registry.json")));
    RegSetString(kMsInfoKey, QStringLiteral("PATH"), odd);
    EXPECT_FALSE(frmAboutInstance()().cmdAction[1]->isEnabled());
    frmAboutInstance().release();
    makeProgram(odd);
    EXPECT_TRUE(frmAboutInstance()().cmdAction[1]->isEnabled());
}

TEST_F(AboutTest, SystemInfoStartsExactlyThatFileAndAFailureIsToldOnly)
{
    const QString odd = folder.file(QStringLiteral("Tools; touch hacked/ms info.exe"));
    makeProgram(odd);
    RegSetString(kMsInfoKey, QStringLiteral("PATH"), odd);
    frmAbout& about = frmAboutInstance()();
    ASSERT_TRUE(about.cmdAction[1]->isEnabled());
    about.cmdAction[1]->click();
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(folder.file(QStringLiteral("started"))) && t.elapsed() < 10000)
        QTest::qWait(20);
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("started"))));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("hacked"))));
    EXPECT_FALSE(QFile::exists(QStringLiteral("hacked")));

    // Removed after the box found it: a message, the box stays, the program goes on.
    ASSERT_TRUE(QFile::remove(odd));
    testenv::EndRecorder ends;
    testenv::ScriptedMsgBox boxes;
    boxes.answer(vb::vbOK);
    about.cmdAction[1]->click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt,
              QStringLiteral("System Information could not be started:\r\n") + QDir::toNativeSeparators(odd));
    EXPECT_EQ(ends.count(), 0);
    EXPECT_EQ(frmAboutInstance().peek(), &about);
}

TEST_F(AboutTest, OkEnterAndEscapeCloseTheBox)
{
    struct Case {
        const char* what;
        std::function<void(frmAbout&)> act;
    };
    const Case cases[] = {
        {"OK clicked", [](frmAbout& a) { QTest::mouseClick(a.cmdAction[0], Qt::LeftButton); }},
        {"Enter", [](frmAbout& a) { QTest::keyClick(&a, Qt::Key_Return); }},
        {"Enter on the focused OK", [](frmAbout& a) {
             a.cmdAction[0]->setFocus();
             QTest::keyClick(a.cmdAction[0], Qt::Key_Return);
         }},
        {"Escape", [](frmAbout& a) { QTest::keyClick(&a, Qt::Key_Escape); }},
        {"close box", [](frmAbout& a) { a.close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frmAbout& about = frmAboutInstance()();
        bool ran = false;
        testenv::later(20, [&] {
            ran = QApplication::activeModalWidget() == &about;
            c.act(about);
        });
        testenv::withWatchdog(5000, [&] { about.Show(vb::vbModal); });
        EXPECT_TRUE(ran);
        EXPECT_EQ(frmAboutInstance().peek(), nullptr);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(AboutTest, TheLinksOpenTheHomePageAndANewMail)
{
    frmAbout& about = frmAboutInstance()();
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.LblHomePage, Qt::LeftButton);
    QTest::mouseClick(about.lblSupport, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].toString(), QStringLiteral("http://www.example.com/zavrododi/"));
    EXPECT_EQ(opened[1].toString(), QStringLiteral("mailto:support@example.com"));
    EXPECT_EQ(about.MousePointer(), vb::vbDefault);
}

} // namespace
