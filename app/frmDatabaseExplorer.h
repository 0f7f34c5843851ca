#pragma once

#include "vb/DefaultInstance.h"
#include "vb/Form.h"

// The explorer main window. Closing it ends the program.
class frmDatabaseExplorer : public vb::Form {
    Q_OBJECT
public:
    explicit frmDatabaseExplorer(QWidget* parent = nullptr);

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
};

vb::DefaultInstance<frmDatabaseExplorer>& frmDatabaseExplorerInstance();
