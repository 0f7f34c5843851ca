#pragma once

#include "vb/DefaultInstance.h"
#include "vb/Form.h"

#include <QTimer>

class QFrame;
class QLabel;

// The splash window: title, version and warning for four seconds, then the main window.
class frmSplash : public vb::Form {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QLabel* picSplash = nullptr;
    QLabel* picIcon = nullptr;
    QLabel* lblTitle[2] = {nullptr, nullptr}; // only element 1 exists
    QLabel* lblVersion = nullptr;
    QLabel* lblWarning = nullptr;
    QFrame* Line1[2] = {nullptr, nullptr};
    QTimer Timer1;

    // The version text for the given version data: the revision shows only when not 0.
    static QString versionText(int major, int minor, int revision);

    void Timer1_Timer();

protected:
    void Form_Load() override;
    void Form_Resize() override;
};

vb::DefaultInstance<frmSplash>& frmSplashInstance();
