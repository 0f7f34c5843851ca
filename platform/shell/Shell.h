#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <functional>

class QWidget;

// ShellExecuteA: the verb "Open" (or none) on an address with a scheme (a web
// address, "Mailto:" and the like) opens it with the user's program for it; on
// a file, starts it when it is a program and opens it with its program
// otherwise. Returns a value above 32 on success, else 2 (no such file) or 31
// (nothing can open it, or another verb). Never ends the program.
std::intptr_t ShellExecuteA(QWidget* window, const QString& operation, const QString& file,
                            const QString& parameters, const QString& directory, int showCommand);

namespace shell {

constexpr std::intptr_t kSuccess = 42;
constexpr std::intptr_t kFileNotFound = 2;
constexpr std::intptr_t kNoAssociation = 31;

// Starts the program at `path` exactly as it stands: no shell, no splitting at
// blanks or other characters, no arguments. Returns the process id, 0 when it
// could not be started.
qint64 Shell(const QString& path);

// Tests replace what reaches the system: opening an address and starting a
// program (the starter returns the process id, 0 on failure). Empty functions
// restore the real ones.
using UrlOpener = std::function<bool(const QUrl&)>;
using ProgramStarter = std::function<qint64(const QString& program, const QStringList& arguments)>;
void setUrlOpener(UrlOpener opener);
void setProgramStarter(ProgramStarter starter);

} // namespace shell
