#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

void installTestDefaults();

int main(int argc, char** argv)
{
    // Keep Qt's runtime files, settings and the registry file inside a scratch folder.
    QTemporaryDir scratch;
    const QByteArray root = scratch.path().toLocal8Bit();
    QDir(scratch.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(scratch.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("DISCAVO_REGISTRY_FILE", root + "/registry.json");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    installTestDefaults();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
