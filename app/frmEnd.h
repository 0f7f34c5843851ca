#pragma once

#include "vb/DefaultInstance.h"
#include "vb/Form.h"

#include <QTimer>

class QLabel;

// The exit window: shown modally by the exit command; three seconds after it
// loads, its timer plays the exit sound, closes the help viewer and ends the program.
class frmEnd : public vb::Form {
    Q_OBJECT
public:
    explicit frmEnd(QWidget* parent = nullptr);

    QLabel* picZavroSing = nullptr;
    QTimer Timer1;

    void Timer1_Timer();

protected:
    void Form_Load() override;
    void Form_Resize() override;
};

vb::DefaultInstance<frmEnd>& frmEndInstance();
