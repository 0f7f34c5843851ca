#pragma once

#include "vb/MsgBox.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

namespace testenv {

// Records every message box and answers from a queue; a box with no answer
// queued fails the test (and answers OK / the first button).
class ScriptedMsgBox {
public:
    ScriptedMsgBox();
    ~ScriptedMsgBox();
    ScriptedMsgBox(const ScriptedMsgBox&) = delete;
    ScriptedMsgBox& operator=(const ScriptedMsgBox&) = delete;

    void answer(int result) { answers_.push_back(result); }
    const std::vector<vb::MsgBoxCall>& calls() const { return calls_; }
    bool empty() const { return calls_.empty(); }

private:
    std::deque<int> answers_;
    std::vector<vb::MsgBoxCall> calls_;
};

// A message box a test expects: its prompt (empty: any text), style and title.
struct ExpectedBox {
    QString prompt;
    int style;
    QString title;
};

// The boxes shown are the expected ones, in order.
void expectBoxes(const ScriptedMsgBox& boxes, const std::vector<ExpectedBox>& expected);

// Counts End calls instead of ending the process.
class EndRecorder {
public:
    EndRecorder();
    ~EndRecorder();
    int count() const { return count_; }

private:
    int count_ = 0;
};

// A fresh temporary program folder set as App.Path for the life of the object.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// The bytes of a file; "<missing>" when it cannot be read.
QByteArray bytesOf(const QString& path);
// Replaces a file's content; a failure fails the test.
void writeFile(const QString& path, const QByteArray& bytes);

// Runs `body` while a watchdog fails the test (and closes every modal window)
// if it takes longer than timeoutMs.
void withWatchdog(int timeoutMs, const std::function<void()>& body);

// Calls `step` once the event loop is idle again (after a modal window opened).
void later(int delayMs, std::function<void()> step);

} // namespace testenv
