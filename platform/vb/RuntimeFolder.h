#pragma once

#include <QString>

namespace vb {

// The user's own folder for the files of running copies (the instance lock, the
// help viewer's socket): $XDG_RUNTIME_DIR, or where that is unset the private
// folder Qt makes for the user (mode 0700). Never the shared temporary folder
// itself, where another user could take the names first. Empty when no private
// folder can be had.
QString RuntimeFolder();

// A file in RuntimeFolder(); empty when there is none.
QString RuntimeFile(const QString& name);

} // namespace vb
