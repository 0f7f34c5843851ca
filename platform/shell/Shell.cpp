#include "shell/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>

namespace shell {

namespace {

UrlOpener& urlOpener()
{
    static UrlOpener opener;
    return opener;
}

ProgramStarter& programStarter()
{
    static ProgramStarter starter;
    return starter;
}

bool openUrl(const QUrl& url)
{
    if (urlOpener())
        return urlOpener()(url);
    return QDesktopServices::openUrl(url);
}

qint64 startProgram(const QString& program, const QStringList& arguments)
{
    if (programStarter())
        return programStarter()(program, arguments);
    qint64 pid = 0;
    if (!QProcess::startDetached(program, arguments, QString(), &pid))
        return 0;
    return pid;
}

// An address such as "http://…" or "Mailto:…": a scheme of two or more letters
// before the colon (one letter would be a drive).
bool hasScheme(const QString& target)
{
    const QUrl url(target);
    return url.isValid() && url.scheme().size() > 1 && !QFileInfo::exists(target);
}

} // namespace

qint64 Shell(const QString& path)
{
    if (path.isEmpty())
        return 0;
    return startProgram(path, {});
}

void setUrlOpener(UrlOpener opener) { urlOpener() = std::move(opener); }
void setProgramStarter(ProgramStarter starter) { programStarter() = std::move(starter); }

} // namespace shell

std::intptr_t ShellExecuteA(QWidget* window, const QString& operation, const QString& file,
                            const QString& parameters, const QString& directory, int showCommand)
{
    (void)window;
    (void)parameters;
    (void)directory;
    (void)showCommand;
    if (!operation.isEmpty() && operation.compare(QLatin1String("Open"), Qt::CaseInsensitive) != 0)
        return shell::kNoAssociation;
    if (shell::hasScheme(file))
        return shell::openUrl(QUrl(file)) ? shell::kSuccess : shell::kNoAssociation;
    const QFileInfo info(file);
    if (!info.exists())
        return shell::kFileNotFound;
    if (info.isFile() && info.isExecutable())
        return shell::startProgram(info.absoluteFilePath(), {}) != 0 ? shell::kSuccess : shell::kNoAssociation;
    return shell::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? shell::kSuccess : shell::kNoAssociation;
}
