#include "registry/Registry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Each test gets a store file of its own.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = qgetenv("DISCAVO_REGISTRY_FILE");
        useStore(dir_.filePath(QStringLiteral("config/registry.json")));
    }
    void TearDown() override { qputenv("DISCAVO_REGISTRY_FILE", previous_); }

    void useStore(const QString& file) { qputenv("DISCAVO_REGISTRY_FILE", QFile::encodeName(file)); }
    QString storeFile() const { return dir_.filePath(QStringLiteral("config/registry.json")); }

    static std::int32_t write(HKEY root, const char* key, const char* name, std::uint32_t type,
                              const QByteArray& data)
    {
        HKEY handle = 0;
        std::int32_t rc = RegCreateKeyA(root, key, &handle);
        if (rc != ERROR_SUCCESS)
            return rc;
        rc = RegSetValueExA(handle, name, 0, type, reinterpret_cast<const unsigned char*>(data.constData()),
                            static_cast<std::uint32_t>(data.size()));
        EXPECT_EQ(RegCloseKey(handle), ERROR_SUCCESS);
        return rc;
    }

    struct Read {
        std::int32_t rc = -1;
        std::uint32_t type = 0;
        QByteArray data;
    };

    static Read read(HKEY root, const char* key, const char* name)
    {
        Read r;
        HKEY handle = 0;
        r.rc = RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle);
        if (r.rc != ERROR_SUCCESS)
            return r;
        std::uint32_t size = 0;
        r.rc = RegQueryValueExA(handle, name, nullptr, &r.type, nullptr, &size);
        if (r.rc == ERROR_SUCCESS) {
            r.data = QByteArray(static_cast<qsizetype>(size), '\xEE');
            r.rc = RegQueryValueExA(handle, name, nullptr, &r.type, reinterpret_cast<unsigned char*>(r.data.data()),
                                    &size);
            EXPECT_EQ(size, static_cast<std::uint32_t>(r.data.size()));
        }
        EXPECT_EQ(RegCloseKey(handle), ERROR_SUCCESS);
        return r;
    }

    QTemporaryDir dir_;
    QByteArray previous_;
};

TEST_F(RegistryTest, ValuesKeepTheirTypeAndExactBytes)
{
    struct Case {
        const char* name;
        std::uint32_t type;
        QByteArray data;
    };
    const std::vector<Case> cases = {
        {"Text", REG_SZ, QByteArray("True\0", 5)},
        {"TextWithTail", REG_SZ, QByteArray("ab\0cd\0", 6)},
        {"Empty", REG_SZ, QByteArray()},
        {"Number", REG_DWORD, QByteArray("\x01\x00\x00\x80", 4)},
        {"Blob", REG_BINARY, QByteArray("\x00\xFF\x00\x7F", 4)},
        {"Utf8", REG_SZ, QByteArray("Bj\xC3\xB6rk\0", 7)},
        {"", REG_SZ, QByteArray("default\0", 8)},
    };
    for (const Case& c : cases)
        ASSERT_EQ(write(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZAVRO Dodi\\Discavo 3", c.name, c.type, c.data),
                  ERROR_SUCCESS)
            << c.name;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Read r = read(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZAVRO Dodi\\Discavo 3", c.name);
        EXPECT_EQ(r.rc, ERROR_SUCCESS);
        EXPECT_EQ(r.type, c.type);
        EXPECT_EQ(r.data, c.data);
    }
    // Replacing a value replaces its type and data.
    ASSERT_EQ(write(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZAVRO Dodi\\Discavo 3", "Number", REG_SZ, "x"), ERROR_SUCCESS);
    const Read replaced = read(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZAVRO Dodi\\Discavo 3", "Number");
    EXPECT_EQ(replaced.type, REG_SZ);
    EXPECT_EQ(replaced.data, QByteArray("x"));

    // Saved by rename: nothing but the store is left in its folder.
    EXPECT_EQ(QDir(dir_.filePath(QStringLiteral("config"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("registry.json")});
}

TEST_F(RegistryTest, NamesIgnoreCaseAndCreatingMakesTheMissingParents)
{
    ASSERT_EQ(write(HKEY_LOCAL_MACHINE, "Software\\Zavro\\Björk", "PlaySound", REG_SZ, QByteArray("1\0", 2)),
              ERROR_SUCCESS);
    for (const char* key : {"Software", "SOFTWARE\\zavro", "software\\ZAVRO\\BJöRK"}) {
        HKEY handle = 0;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &handle), ERROR_SUCCESS) << key;
        EXPECT_EQ(RegCloseKey(handle), ERROR_SUCCESS);
    }
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZAVRO\\björk", "PLAYSOUND").data, QByteArray("1\0", 2));

    // A second spelling names the same value, not a new one.
    ASSERT_EQ(write(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZAVRO\\BJÖRK", "playsound", REG_SZ, "2"), ERROR_SUCCESS);
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "Software\\Zavro\\Björk", "PlaySound").data, QByteArray("2"));

    // Sub-keys open relative to an open key.
    HKEY parent = 0;
    HKEY child = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_QUERY_VALUE, &parent), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(parent, "zavro\\björk", 0, KEY_QUERY_VALUE, &child), ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(parent);

    // The two roots are separate trees.
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Software\\Zavro\\Björk", "PlaySound").rc, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, FailuresGiveTheirResultCodes)
{
    ASSERT_EQ(write(HKEY_LOCAL_MACHINE, "A\\B", "V", REG_SZ, "abcdef"), ERROR_SUCCESS);
    HKEY handle = 0;

    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\C", 0, KEY_QUERY_VALUE, &handle), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\\\B", 0, KEY_QUERY_VALUE, &handle), ERROR_BADKEY);
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "\\A", &handle), ERROR_BADKEY);
    EXPECT_EQ(RegOpenKeyExA(0x12345u, "A", 0, KEY_QUERY_VALUE, &handle), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyA(0x80000003u, "A", &handle), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_QUERY_VALUE, nullptr), ERROR_INVALID_PARAMETER);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\B", 0, KEY_QUERY_VALUE, &handle), ERROR_SUCCESS);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(RegQueryValueExA(handle, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, 0u);
    unsigned char small[3] = {};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(handle, "V", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    // Opened for reading only: writing is refused.
    EXPECT_EQ(RegSetValueExA(handle, "V", 0, REG_SZ, small, 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(handle), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(handle, "V", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(handle), ERROR_INVALID_HANDLE);
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "A\\B", "V").data, QByteArray("abcdef"));
}

TEST_F(RegistryTest, DamagedStoreReadsAsEmptyAndIsKeptAside)
{
    const std::vector<QByteArray> damaged = {
        "{ not json",
        "[1, 2]",
        R"({"HKEY_LOCAL_MACHINE": {"keys": [{"name": "A", "values": [{"name": "V", "type": "x", "data": ""}]}]}})",
        R"({"HKEY_LOCAL_MACHINE": {"values": [{"name": "V", "type": 1, "data": "***"}]}})",
        QByteArray("\x00\x01\x02", 3),
    };
    for (const QByteArray& content : damaged) {
        SCOPED_TRACE(content.toStdString());
        QDir().mkpath(dir_.filePath(QStringLiteral("config")));
        QFile::remove(storeFile() + QStringLiteral(".damaged"));
        QFile file(storeFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();

        EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "A", "V").rc, ERROR_FILE_NOT_FOUND);
        ASSERT_EQ(write(HKEY_LOCAL_MACHINE, "A", "V", REG_SZ, "ok"), ERROR_SUCCESS);
        EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "A", "V").data, QByteArray("ok"));

        QFile aside(storeFile() + QStringLiteral(".damaged"));
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
        EXPECT_EQ(aside.readAll(), content);
    }
}

TEST_F(RegistryTest, ChangeThatCannotBeSavedIsRefusedAndNotMade)
{
    // A folder where a file stands, and a folder where the store file should be.
    QFile blocker(dir_.filePath(QStringLiteral("plainfile")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_TRUE(QDir().mkpath(dir_.filePath(QStringLiteral("folder/registry.json"))));
    for (const QString& place : {dir_.filePath(QStringLiteral("plainfile/registry.json")),
                                 dir_.filePath(QStringLiteral("folder/registry.json"))}) {
        SCOPED_TRACE(place.toStdString());
        useStore(place);
        HKEY handle = 0;
        EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "A", &handle), ERROR_ACCESS_DENIED);
        EXPECT_EQ(handle, 0u);
        EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "A", "V").rc, ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(QFileInfo(place).isDir(), place.contains(QStringLiteral("folder")));
    }
}

} // namespace
