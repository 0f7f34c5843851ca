#include "help/Help.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace help {

namespace {

QHash<QString, QPointer<QWidget>>& viewers()
{
    static QHash<QString, QPointer<QWidget>> v;
    return v;
}

QString keyOf(const QString& helpFile) { return QDir::cleanPath(QFileInfo(helpFile).absoluteFilePath()); }

void closeViewer(QPointer<QWidget> viewer)
{
    if (viewer)
        viewer->close();
}

} // namespace

void registerViewer(const QString& helpFile, QWidget* viewer) { viewers().insert(keyOf(helpFile), viewer); }

QWidget* openViewer(const QString& helpFile)
{
    const auto it = viewers().constFind(keyOf(helpFile));
    return it == viewers().cend() ? nullptr : it->data();
}

} // namespace help

bool WinHelpA(QWidget* window, const QString& helpFile, quint32 command, quintptr data)
{
    (void)window;
    (void)data;
    if (command != HELP_QUIT)
        return false;
    auto& open = help::viewers();
    if (helpFile.isEmpty()) {
        const auto all = open.values();
        open.clear();
        for (const QPointer<QWidget>& viewer : all)
            help::closeViewer(viewer);
        return true;
    }
    help::closeViewer(open.take(help::keyOf(helpFile)));
    return true;
}
