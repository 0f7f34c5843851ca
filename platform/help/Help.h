#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

// WinHelpA commands the program sends.
constexpr quint32 HELP_CONTEXT = 0x0001;
constexpr quint32 HELP_QUIT = 0x0002;
constexpr quint32 HELP_HELPONHELP = 0x0004;
constexpr quint32 HELP_FINDER = 0x000B;
constexpr quint32 HELP_PARTIALKEY = 0x0105;

// Sends a command to the help viewer of helpFile on behalf of window.
// HELP_QUIT closes that file's viewer when one is open and succeeds either way;
// an empty file name closes every open viewer. The commands that show help are
// not offered yet and return false.
bool WinHelpA(QWidget* window, const QString& helpFile, quint32 command, quintptr data);

namespace help {

// The open viewer windows, one per help file (file names compare as absolute
// paths). A viewer that is deleted drops out by itself.
void registerViewer(const QString& helpFile, QWidget* viewer);
QWidget* openViewer(const QString& helpFile);

} // namespace help
