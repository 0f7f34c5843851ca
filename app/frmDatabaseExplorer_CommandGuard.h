#pragma once

#include "app/frmDatabaseExplorer.h"

// Sets the busy flag for one command; a command started while another runs
// (a queued event, a timer) does nothing.
class frmDatabaseExplorer::CommandGuard {
public:
    explicit CommandGuard(frmDatabaseExplorer& window) : window_(window), entered_(!window.mCommandBusy)
    {
        window_.mCommandBusy = true;
    }
    ~CommandGuard()
    {
        if (entered_)
            window_.mCommandBusy = false;
    }
    CommandGuard(const CommandGuard&) = delete;
    CommandGuard& operator=(const CommandGuard&) = delete;
    bool entered() const { return entered_; }

private:
    frmDatabaseExplorer& window_;
    bool entered_;
};
