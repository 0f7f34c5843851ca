#pragma once

#include <QJsonObject>
#include <QString>
#include <QtGlobal>

#include <functional>

class QWidget;

// WinHelpA commands the program sends.
constexpr quint32 HELP_CONTEXT = 0x0001;
constexpr quint32 HELP_QUIT = 0x0002;
constexpr quint32 HELP_HELPONHELP = 0x0004;
constexpr quint32 HELP_FINDER = 0x000B;
constexpr quint32 HELP_PARTIALKEY = 0x0105;

// Sends a command to the help viewer, a program of its own (recordshelp, beside
// the running executable) so that it stays usable while a modal window is open.
// The viewer is started on the first command that shows help.
// - HELP_FINDER: the file's contents; HELP_PARTIALKEY: its keyword index (use the
//   overload below to pass a keyword); HELP_HELPONHELP: how to use the viewer;
//   HELP_CONTEXT: the topic of context number `data`, the contents when the file
//   has no such topic.
// - HELP_QUIT closes every viewer window, whatever the file, and ends the viewer.
// A help file that does not exist, or a viewer that cannot be started, is told
// in a message box; an empty file name (no help file set) does nothing. Returns
// true when the viewer carried the command out.
bool WinHelpA(QWidget* window, const QString& helpFile, quint32 command, quintptr data);
// HELP_PARTIALKEY with a keyword: the index opens filtered to the keywords that
// begin with it and shows the first one's topic.
bool WinHelpA(QWidget* window, const QString& helpFile, quint32 command, const QString& keyword);

namespace help {

// One command for the viewer.
struct Request {
    QString file;
    quint32 command = 0;
    quint32 context = 0;
    QString keyword;
};

// Tests replace the viewer: every WinHelpA call goes to the handler instead
// (no file check, no viewer); an empty function restores the viewer.
using RequestHandler = std::function<bool(const Request&)>;
void setRequestHandler(RequestHandler handler);

// F1 in a window whose HelpContextID is not 0 sends HELP_CONTEXT with that
// number for App.HelpFile. The key is taken there and goes no further, so a
// window that also handles F1 itself does not send the command twice.
void enableF1();

// The local socket the viewer listens on, in the user's runtime folder; empty when there is none.
QString serverName();
// The viewer program: recordshelp in the running executable's folder.
QString viewerProgram();

// What the running viewer shows, as it reports it ({"windows": [...]}), or an
// empty object when no viewer runs. For tests and diagnostics.
QJsonObject viewerState();

// Windows of this process that HELP_QUIT closes as well (file names compare as
// absolute paths). A window that is deleted drops out by itself.
void registerViewer(const QString& helpFile, QWidget* viewer);
QWidget* openViewer(const QString& helpFile);

} // namespace help
