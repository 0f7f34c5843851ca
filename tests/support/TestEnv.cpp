#include "support/TestEnv.h"

#include "vb/App.h"
#include "vb/Runtime.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

namespace testenv {

namespace {
// The box every test gets unless it installs its own: any box fails the test.
int unexpectedBox(const vb::MsgBoxCall& call)
{
    ADD_FAILURE() << "unexpected message box: [" << call.title.toStdString() << "] " << call.prompt.toStdString();
    return vb::vbOK;
}

int firstAnswerOf(int style)
{
    switch (style & 7) {
    case vb::vbYesNo:
    case vb::vbYesNoCancel: return vb::vbYes;
    case vb::vbRetryCancel: return vb::vbRetry;
    case vb::vbAbortRetryIgnore: return vb::vbAbort;
    default: return vb::vbOK;
    }
}
} // namespace

ScriptedMsgBox::ScriptedMsgBox()
{
    vb::setMsgBoxResponder([this](const vb::MsgBoxCall& call) {
        calls_.push_back(call);
        if (answers_.empty()) {
            ADD_FAILURE() << "message box with no scripted answer: [" << call.title.toStdString() << "] "
                          << call.prompt.toStdString();
            return firstAnswerOf(call.style);
        }
        const int a = answers_.front();
        answers_.pop_front();
        return a;
    });
}

ScriptedMsgBox::~ScriptedMsgBox()
{
    vb::setMsgBoxResponder(unexpectedBox);
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answer(s) not used";
}

void expectBoxes(const ScriptedMsgBox& boxes, const std::vector<ExpectedBox>& expected)
{
    ASSERT_EQ(boxes.calls().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (!expected[i].prompt.isEmpty()) {
            EXPECT_EQ(boxes.calls()[i].prompt, expected[i].prompt);
        }
        EXPECT_EQ(boxes.calls()[i].style, expected[i].style);
        EXPECT_EQ(boxes.calls()[i].title, expected[i].title);
    }
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

EndRecorder::EndRecorder()
{
    vb::setEndHandler([this] { ++count_; });
}

EndRecorder::~EndRecorder()
{
    vb::setEndHandler([] { ADD_FAILURE() << "End called with no EndRecorder"; });
}

ProgramFolder::ProgramFolder() : previous_(vb::App::Path())
{
    vb::App::setPath(dir_.path());
}

ProgramFolder::~ProgramFolder()
{
    vb::App::setPath(previous_);
}

void withWatchdog(int timeoutMs, const std::function<void()>& body)
{
    bool fired = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&fired] {
        fired = true;
        ADD_FAILURE() << "watchdog: the test did not finish in time";
        while (QWidget* w = QApplication::activeModalWidget())
            w->close();
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
    });
    watchdog.start(timeoutMs);
    body();
    watchdog.stop();
    (void)fired;
}

void later(int delayMs, std::function<void()> step)
{
    QTimer::singleShot(delayMs, qApp, std::move(step));
}

} // namespace testenv

// Installed before any test runs (see test_main.cpp).
void installTestDefaults()
{
    vb::setMsgBoxResponder(testenv::unexpectedBox);
    vb::setEndHandler([] { ADD_FAILURE() << "End called with no EndRecorder"; });
}
