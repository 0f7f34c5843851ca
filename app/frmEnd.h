#pragma once

#include "vb/DefaultInstance.h"
#include "vb/Form.h"

#include <QTimer>

#include <functional>

class QLabel;

// The exit window: shown modally by the exit command; three seconds after it
// loads, its timer plays the exit sound, points the engine at the workgroup
// file, closes the engine's default workspace, closes the help viewer and ends
// the program.
class frmEnd : public vb::Form {
    Q_OBJECT
public:
    explicit frmEnd(QWidget* parent = nullptr);

    QLabel* picZavroSing = nullptr;
    QTimer Timer1;

    void Timer1_Timer();

    // Replaces how the timer closes the engine's default workspace (tests make
    // it fail); an empty function restores the engine's own.
    static void setWorkspaceCloser(std::function<void()> closer);

protected:
    void Form_Load() override;
    void Form_Resize() override;
};

vb::DefaultInstance<frmEnd>& frmEndInstance();
