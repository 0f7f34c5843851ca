#pragma once

#include "registry/Registry.h"

#include <QString>

#include <cstdint>

// The text of a REG_SZ value under `root` (a root or an open key), or "" when
// the key or the value is missing, the value has another type or cannot be read.
// The text ends at the first NUL of the data; data without one is taken whole.
QString RegGetString(HKEY root, const QString& subKey, const QString& valueName);

// Writes a REG_SZ value under HKEY_LOCAL_MACHINE, creating the key and its
// missing parents. Returns 0 on success, 1010 when the key path or the value
// name is empty (nothing is written then), otherwise the failing call's code.
// An empty value is stored with no data bytes.
std::int32_t RegSetString(const QString& subKey, const QString& valueName, const QString& value);
