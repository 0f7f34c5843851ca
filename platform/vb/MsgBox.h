#pragma once

#include <QString>

#include <functional>

namespace vb {

// Message-box styles and answers keep Visual Basic's numbers.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};

enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

struct MsgBoxCall {
    QString prompt;
    int style = 0;
    QString title;
};

using MsgBoxResponder = std::function<int(const MsgBoxCall&)>;

// Shows a modal box and returns the answer. An empty title shows App.Title.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = QString());

// Replaces the real box (tests answer from a script); an empty function restores it.
void setMsgBoxResponder(MsgBoxResponder responder);

} // namespace vb
