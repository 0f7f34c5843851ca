#pragma once

#include <QString>

#include <cstdint>

// The registry calls the program makes, kept in one file of the user's
// configuration folder: $DISCAVO_REGISTRY_FILE when set, otherwise
// $XDG_CONFIG_HOME/discavo3/registry.json (~/.config when XDG_CONFIG_HOME is unset).
//
// Keys are paths of names separated by "\"; key and value names compare
// without regard to case and keep the case they were created with. Values keep
// their type and their data bytes as written. Names and string data cross this
// interface in the system's code page, which is UTF-8 here. Every change is
// saved at once by writing a new file and renaming it over the old one; a
// change that cannot be saved is not made and returns ERROR_ACCESS_DENIED.
// A file that cannot be read as a store reads as an empty registry and is kept
// beside the store as "<file>.damaged" when the next change replaces it.

// A root or an open key.
using HKEY = std::uint32_t;

inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

// Value types.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;

// Access rights.
inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

// Result codes.
inline constexpr std::int32_t ERROR_SUCCESS = 0;
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;      // no such key or value
inline constexpr std::int32_t ERROR_ACCESS_DENIED = 5;       // right missing, or the store cannot be saved
inline constexpr std::int32_t ERROR_INVALID_HANDLE = 6;      // not a root nor an open key
inline constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::int32_t ERROR_MORE_DATA = 234;         // the buffer is too small; the size is given back
inline constexpr std::int32_t ERROR_BADKEY = 1010;           // malformed key path
inline constexpr std::int32_t ERROR_KEY_DELETED = 1018;      // the open key no longer exists

// Opens an existing key below `key` (an empty or null sub-key opens `key` itself again).
std::int32_t RegOpenKeyExA(HKEY key, const char* subKey, std::uint32_t options, std::uint32_t access,
                           HKEY* result);
// Opens a key below `key`, creating it and its missing parents, with all rights.
std::int32_t RegCreateKeyA(HKEY key, const char* subKey, HKEY* result);
// Type and data of a value (a null or empty name is the key's default value).
// With `data` null only the type and the size in bytes are given back.
std::int32_t RegQueryValueExA(HKEY key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                              unsigned char* data, std::uint32_t* dataSize);
// Stores `dataSize` bytes of `data` as a value of `type`, replacing any value of that name.
std::int32_t RegSetValueExA(HKEY key, const char* valueName, std::uint32_t reserved, std::uint32_t type,
                            const unsigned char* data, std::uint32_t dataSize);
// Closes an open key; closing a root does nothing.
std::int32_t RegCloseKey(HKEY key);

namespace registry {
// Where the store is kept now.
QString storeFile();
} // namespace registry
