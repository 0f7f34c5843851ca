#include "registry/Registry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Value {
    QString name;
    std::uint32_t type = REG_NONE;
    QByteArray data;
};

struct Key {
    QString name;
    std::vector<Value> values;
    std::vector<Key> keys;
};

struct Store {
    Key currentUser;
    Key localMachine;
    bool damaged = false; // the file exists but holds no readable store

    Key* root(HKEY root)
    {
        if (root == HKEY_LOCAL_MACHINE)
            return &localMachine;
        if (root == HKEY_CURRENT_USER)
            return &currentUser;
        return nullptr;
    }
};

struct OpenKey {
    HKEY root = 0;
    QStringList path;
    std::uint32_t access = 0;
};

const QString kLocalMachine = QStringLiteral("HKEY_LOCAL_MACHINE");
const QString kCurrentUser = QStringLiteral("HKEY_CURRENT_USER");

std::mutex& lock()
{
    static std::mutex m;
    return m;
}

std::map<HKEY, OpenKey>& openKeys()
{
    static std::map<HKEY, OpenKey> keys;
    return keys;
}

bool isRoot(HKEY key) { return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER; }

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

Key* findKey(Key& parent, const QString& name)
{
    for (Key& k : parent.keys)
        if (sameName(k.name, name))
            return &k;
    return nullptr;
}

Value* findValue(Key& key, const QString& name)
{
    for (Value& v : key.values)
        if (sameName(v.name, name))
            return &v;
    return nullptr;
}

Key* walk(Key* key, const QStringList& path)
{
    for (const QString& name : path) {
        if (!key)
            return nullptr;
        key = findKey(*key, name);
    }
    return key;
}

// ---- the file -------------------------------------------------------------

bool parseKey(const QJsonObject& object, Key& key, int depth)
{
    if (depth > 512)
        return false;
    const QJsonValue values = object.value(QStringLiteral("values"));
    const QJsonValue keys = object.value(QStringLiteral("keys"));
    if ((!values.isUndefined() && !values.isArray()) || (!keys.isUndefined() && !keys.isArray()))
        return false;
    for (const QJsonValue& item : values.toArray()) {
        if (!item.isObject())
            return false;
        const QJsonObject v = item.toObject();
        const QJsonValue name = v.value(QStringLiteral("name"));
        const QJsonValue type = v.value(QStringLiteral("type"));
        const QJsonValue data = v.value(QStringLiteral("data"));
        if (!name.isString() || !type.isDouble() || !data.isString())
            return false;
        const double t = type.toDouble();
        if (t < 0 || t > 0xFFFFFFFFu || t != static_cast<double>(static_cast<std::uint32_t>(t)))
            return false;
        const auto decoded = QByteArray::fromBase64Encoding(data.toString().toLatin1(),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded || findValue(key, name.toString()))
            return false;
        key.values.push_back(Value{name.toString(), static_cast<std::uint32_t>(t), *decoded});
    }
    for (const QJsonValue& item : keys.toArray()) {
        if (!item.isObject())
            return false;
        const QJsonObject k = item.toObject();
        const QJsonValue name = k.value(QStringLiteral("name"));
        if (!name.isString() || name.toString().isEmpty() || name.toString().contains(QLatin1Char('\\'))
            || findKey(key, name.toString()))
            return false;
        Key child;
        child.name = name.toString();
        if (!parseKey(k, child, depth + 1))
            return false;
        key.keys.push_back(std::move(child));
    }
    return true;
}

QJsonObject keyToJson(const Key& key)
{
    QJsonObject object;
    if (!key.name.isEmpty())
        object.insert(QStringLiteral("name"), key.name);
    QJsonArray values;
    for (const Value& v : key.values) {
        QJsonObject value;
        value.insert(QStringLiteral("name"), v.name);
        value.insert(QStringLiteral("type"), static_cast<double>(v.type));
        value.insert(QStringLiteral("data"), QString::fromLatin1(v.data.toBase64()));
        values.append(value);
    }
    QJsonArray keys;
    for (const Key& k : key.keys)
        keys.append(keyToJson(k));
    object.insert(QStringLiteral("values"), values);
    object.insert(QStringLiteral("keys"), keys);
    return object;
}

Store readStore(const QString& fileName)
{
    Store store;
    QFile file(fileName);
    if (!file.exists())
        return store;
    if (!file.open(QIODevice::ReadOnly)) {
        store.damaged = true;
        return store;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    Store parsed;
    bool ok = error.error == QJsonParseError::NoError && document.isObject();
    if (ok) {
        const QJsonObject top = document.object();
        const QJsonValue hklm = top.value(kLocalMachine);
        const QJsonValue hkcu = top.value(kCurrentUser);
        ok = (hklm.isUndefined() || (hklm.isObject() && parseKey(hklm.toObject(), parsed.localMachine, 0)))
             && (hkcu.isUndefined() || (hkcu.isObject() && parseKey(hkcu.toObject(), parsed.currentUser, 0)));
    }
    if (!ok) {
        store.damaged = true;
        return store;
    }
    return parsed;
}

bool syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Writes the whole store to a new file beside the old one and renames it over.
bool saveStore(const Store& store, const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString folder = info.absolutePath();
    if ((info.exists() && !info.isFile()) || !QDir().mkpath(folder))
        return false;

    QJsonObject top;
    top.insert(QStringLiteral("format"), QStringLiteral("discavo3-registry"));
    top.insert(QStringLiteral("version"), 1);
    top.insert(kLocalMachine, keyToJson(store.localMachine));
    top.insert(kCurrentUser, keyToJson(store.currentUser));
    const QByteArray bytes = QJsonDocument(top).toJson(QJsonDocument::Indented);

    QTemporaryFile temp(info.absoluteFilePath() + QStringLiteral(".XXXXXX"));
    if (!temp.open())
        return false;
    if (temp.write(bytes) != bytes.size() || !temp.flush() || ::fsync(temp.handle()) != 0)
        return false;

    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    if (store.damaged && QFileInfo::exists(info.absoluteFilePath())) {
        // Keep what could not be read instead of overwriting it.
        const QByteArray aside = target + ".damaged";
        if (std::rename(target.constData(), aside.constData()) != 0)
            return false;
    }
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), target.constData()) != 0)
        return false;
    temp.setAutoRemove(false);
    syncFolder(folder);
    return true;
}

// ---- names ----------------------------------------------------------------

QString fromCodePage(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

// Splits a sub-key path into names; an empty path names the key itself.
std::optional<QStringList> splitPath(const char* subKey)
{
    const QString path = fromCodePage(subKey);
    if (path.isEmpty())
        return QStringList{};
    const QStringList names = path.split(QLatin1Char('\\'));
    for (const QString& name : names)
        if (name.isEmpty())
            return std::nullopt;
    return names;
}

std::optional<OpenKey> resolve(HKEY key)
{
    if (isRoot(key))
        return OpenKey{key, {}, KEY_ALL_ACCESS};
    const auto it = openKeys().find(key);
    if (it == openKeys().end())
        return std::nullopt;
    return it->second;
}

HKEY addOpenKey(OpenKey key)
{
    static HKEY next = 0;
    do {
        next = (next + 1) & 0x7FFFFFFFu;
    } while (next == 0 || openKeys().count(next));
    openKeys().emplace(next, std::move(key));
    return next;
}

// Actual names along `path` as stored (the caller's spelling where absent).
QStringList storedNames(Key* root, const QStringList& path)
{
    QStringList names;
    Key* key = root;
    for (const QString& name : path) {
        key = key ? findKey(*key, name) : nullptr;
        names << (key ? key->name : name);
    }
    return names;
}

} // namespace

namespace registry {

QString storeFile()
{
    const QString overridden = qEnvironmentVariable("DISCAVO_REGISTRY_FILE");
    if (!overridden.isEmpty())
        return overridden;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/discavo3/registry.json");
}

} // namespace registry

std::int32_t RegOpenKeyExA(HKEY key, const char* subKey, std::uint32_t options, std::uint32_t access,
                           HKEY* result)
{
    (void)options;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    std::lock_guard guard(lock());
    const auto base = resolve(key);
    if (!base)
        return ERROR_INVALID_HANDLE;
    const auto names = splitPath(subKey);
    if (!names)
        return ERROR_BADKEY;

    Store store = readStore(registry::storeFile());
    Key* root = store.root(base->root);
    if (!walk(root, base->path))
        return ERROR_KEY_DELETED;
    const QStringList path = base->path + *names;
    if (!walk(root, path))
        return ERROR_FILE_NOT_FOUND;
    *result = addOpenKey(OpenKey{base->root, storedNames(root, path), access});
    return ERROR_SUCCESS;
}

std::int32_t RegCreateKeyA(HKEY key, const char* subKey, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    std::lock_guard guard(lock());
    const auto base = resolve(key);
    if (!base)
        return ERROR_INVALID_HANDLE;
    const auto names = splitPath(subKey);
    if (!names)
        return ERROR_BADKEY;

    const QString file = registry::storeFile();
    Store store = readStore(file);
    Key* current = walk(store.root(base->root), base->path);
    if (!current)
        return ERROR_KEY_DELETED;
    if (!names->isEmpty() && (base->access & KEY_CREATE_SUB_KEY) == 0)
        return ERROR_ACCESS_DENIED;
    bool created = false;
    QStringList path = base->path;
    for (const QString& name : *names) {
        Key* child = findKey(*current, name);
        if (!child) {
            Key fresh;
            fresh.name = name;
            current->keys.push_back(std::move(fresh));
            child = &current->keys.back();
            created = true;
        }
        path << child->name;
        current = child;
    }
    if (created && !saveStore(store, file))
        return ERROR_ACCESS_DENIED;
    *result = addOpenKey(OpenKey{base->root, path, KEY_ALL_ACCESS});
    return ERROR_SUCCESS;
}

std::int32_t RegQueryValueExA(HKEY key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                              unsigned char* data, std::uint32_t* dataSize)
{
    if (reserved || (data && !dataSize))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard guard(lock());
    const auto open = resolve(key);
    if (!open)
        return ERROR_INVALID_HANDLE;
    if ((open->access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;

    Store store = readStore(registry::storeFile());
    Key* k = walk(store.root(open->root), open->path);
    if (!k)
        return ERROR_KEY_DELETED;
    const Value* value = findValue(*k, fromCodePage(valueName));
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    const auto size = static_cast<std::uint32_t>(value->data.size());
    if (!dataSize)
        return ERROR_SUCCESS;
    if (data) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size > 0)
            std::memcpy(data, value->data.constData(), size);
    }
    *dataSize = size;
    return ERROR_SUCCESS;
}

std::int32_t RegSetValueExA(HKEY key, const char* valueName, std::uint32_t reserved, std::uint32_t type,
                            const unsigned char* data, std::uint32_t dataSize)
{
    if (reserved != 0 || (!data && dataSize > 0) || dataSize > 0x7FFFFFFFu)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard guard(lock());
    const auto open = resolve(key);
    if (!open)
        return ERROR_INVALID_HANDLE;
    if ((open->access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;

    const QString file = registry::storeFile();
    Store store = readStore(file);
    Key* k = walk(store.root(open->root), open->path);
    if (!k)
        return ERROR_KEY_DELETED;
    const QString name = fromCodePage(valueName);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(dataSize));
    if (Value* value = findValue(*k, name)) {
        value->type = type;
        value->data = dataSize > 0 ? bytes : QByteArray();
    } else {
        k->values.push_back(Value{name, type, dataSize > 0 ? bytes : QByteArray()});
    }
    if (!saveStore(store, file))
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

std::int32_t RegCloseKey(HKEY key)
{
    if (isRoot(key))
        return ERROR_SUCCESS;
    std::lock_guard guard(lock());
    return openKeys().erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
