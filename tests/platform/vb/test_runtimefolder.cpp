#include "help/Help.h"
#include "vb/App.h"
#include "vb/RuntimeFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace {

// Sets or unsets environment variables for the life of the object.
class Environment {
public:
    ~Environment()
    {
        for (const auto& [name, value] : saved_)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    void set(const char* name, const QByteArray& value)
    {
        keep(name);
        qputenv(name, value);
    }
    void unset(const char* name)
    {
        keep(name);
        qunsetenv(name);
    }

private:
    void keep(const char* name) { saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()); }
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

bool privateFolder(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.permissions() == (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                  | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

class RuntimeFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(shared.isValid());
        env.set("TMPDIR", QFile::encodeName(shared.path()));
        vb::App::releaseInstanceLock();
    }
    void TearDown() override { vb::App::releaseInstanceLock(); }

    // The lock and the socket lie in one private folder, which is not the shared one.
    void expectPrivateAndShared(QString& folder)
    {
        const QString lock = vb::App::lockFilePath();
        const QString socket = help::serverName();
        ASSERT_FALSE(lock.isEmpty());
        ASSERT_FALSE(socket.isEmpty());
        folder = QFileInfo(lock).absolutePath();
        EXPECT_EQ(QFileInfo(socket).absolutePath(), folder);
        EXPECT_NE(QDir(folder), QDir(shared.path()));
        EXPECT_TRUE(privateFolder(folder)) << folder.toStdString();
        EXPECT_FALSE(vb::App::PrevInstance());
        EXPECT_TRUE(QFileInfo::exists(lock));
        EXPECT_TRUE(QDir(shared.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).isEmpty());
        vb::App::releaseInstanceLock();
    }

    QTemporaryDir shared; // stands for the temporary folder every user shares
    Environment env;
};

TEST_F(RuntimeFolderTest, WithoutXdgRuntimeDirTheLockAndTheSocketLieInAPrivateFolder)
{
    env.unset("XDG_RUNTIME_DIR");
    QString folder;
    expectPrivateAndShared(folder);
}

TEST_F(RuntimeFolderTest, AFolderOfTheFallbackNameThatAnotherUserMadeIsNotUsed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a folder another user owns needs root";
    env.unset("XDG_RUNTIME_DIR");
    const passwd* me = ::getpwuid(::geteuid());
    ASSERT_TRUE(me);
    const QString planted = QDir(shared.path()).filePath(QStringLiteral("runtime-") + QString::fromLocal8Bit(me->pw_name));
    ASSERT_TRUE(QDir().mkpath(planted));
    ASSERT_TRUE(QFile::setPermissions(planted, QFile::Permissions(0x7777)));
    constexpr uid_t nobody = 65534;
    ASSERT_EQ(::chown(QFile::encodeName(planted).constData(), nobody, nobody), 0);
    QString folder;
    expectPrivateAndShared(folder);
    EXPECT_FALSE(folder.startsWith(shared.path())) << folder.toStdString();
    EXPECT_TRUE(QDir(planted).isEmpty());
}

TEST_F(RuntimeFolderTest, XdgRuntimeDirIsTheFolderWhenSet)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QString folder;
    expectPrivateAndShared(folder);
    EXPECT_EQ(QDir(folder), QDir(runtime.path()));
}

} // namespace
