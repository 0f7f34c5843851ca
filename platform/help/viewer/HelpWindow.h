#pragma once

#include <QJsonObject>
#include <QMainWindow>
#include <QTextBrowser>
#include <QUrl>

class QHelpEngine;
class QLineEdit;
class QTabWidget;

namespace help {

// Shows the pages of a help engine: qthelp:// addresses from the engine, the
// viewer's own pages from its resources.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    HelpBrowser(QHelpEngine* engine, QWidget* parent);
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QHelpEngine* engine_;
};

// The viewer window of one help file: contents, keyword index and full-text
// search on the left, the page on the right.
class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    // collectionFile: a scratch file of the viewer's own where the engine keeps
    // what it knows about the help file.
    HelpWindow(const QString& helpFile, const QString& collectionFile, QWidget* parent = nullptr);

    void showContents();
    void showIndex(const QString& keyword);
    void showContext(quint32 context);
    void showHelpOnHelp();

    // File, shown page, chosen tab, index filter, readiness: for the state query.
    QJsonObject state() const;
    QUrl homePage() const { return home_; }
    QHelpEngine* engine() const { return engine_; }
    bool isReadable() const { return readable_; }

    QTabWidget* tabs = nullptr;
    HelpBrowser* browser = nullptr;
    QLineEdit* indexFilter = nullptr;

private:
    // Wholly on the screen, in its middle, as large as the screen allows.
    void placeOnScreen();
    void showPage(const QUrl& url);
    void applyIndexFilter();

    QString file_;
    QHelpEngine* engine_ = nullptr;
    QUrl home_;
    bool readable_ = false;
    bool indexReady_ = false;
    bool contentsReady_ = false;
    bool searchReady_ = false;
    // A keyword asked for before the index was built.
    QString pendingKeyword_;
    bool keywordPending_ = false;
};

} // namespace help
