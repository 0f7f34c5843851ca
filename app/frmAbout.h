#pragma once

#include "vb/DefaultInstance.h"
#include "vb/Form.h"

class QLabel;
class QPushButton;
class QWidget;

// The About box: icon, title, version, description, copyright, the maker's two
// links, a legal warning, OK, and System Information when it is installed.
class frmAbout : public vb::Form {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* picIcon = nullptr;
    QLabel* lblTitle[2] = {nullptr, nullptr};
    QLabel* lblVersion = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* LblHomePage = nullptr;
    QLabel* lblSupport = nullptr;
    QWidget* Line1[2] = {nullptr, nullptr};
    QLabel* lblWarning = nullptr;
    QPushButton* cmdAction[2] = {nullptr, nullptr};

    // Full path of the System Information program found at load, or empty.
    QString mSysInfoPath;

    void cmdAction_Click(int index);
    void LblHomePage_Click();
    void lblSupport_Click();

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

vb::DefaultInstance<frmAbout>& frmAboutInstance();
