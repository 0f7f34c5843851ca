#pragma once

#include <QString>

namespace vb {

// The application object: program folder, executable name, version data,
// help file and the previous-instance test.
class App {
public:
    // Called once at start with argv[0]'s folder and name; tests call setPath instead.
    static void initFromExecutable(const QString& executablePath);

    static QString Path();
    static void setPath(const QString& folder);
    static QString EXEName();
    static void setEXEName(const QString& name);

    static QString Title();
    static void setTitle(const QString& title);
    static int Major();
    static int Minor();
    static int Revision();
    static void setVersion(int major, int minor, int revision);
    static QString CompanyName();
    static QString LegalCopyright();
    static QString ProductName();

    static QString HelpFile();
    static void setHelpFile(const QString& file);

    // True when another running copy holds the instance lock. The first call
    // takes the lock for this process when it is free (or stale).
    static bool PrevInstance();
    // Frees the lock this process holds; End calls it before the process ends.
    static void releaseInstanceLock();
    // The lock file, in the user's runtime folder; empty when there is none.
    static QString lockFilePath();

    // Native path of a file in the program folder (App.Path & "\" & name).
    static QString file(const QString& name);
};

} // namespace vb
