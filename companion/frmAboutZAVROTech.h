#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;

// The companion program's only window: the maker's logo and description, and
// OK to end. Enter, Escape, OK and the close box all end the program.
class frmAboutZAVROTech : public QWidget {
    Q_OBJECT
public:
    // endProgram is called once when the window ends the program; by default it
    // quits the application's event loop.
    explicit frmAboutZAVROTech(std::function<void()> endProgram = {}, QWidget* parent = nullptr);

    QLabel* picIcon = nullptr;
    QLabel* lblDescription = nullptr;
    QFrame* Line1[2] = {nullptr, nullptr};
    QPushButton* cmdAction[1] = {nullptr};

    // The maker's logo as stored with the window: 259 x 64 pixels on the picture box's grey.
    static QImage logo();

    void Form_Load();
    // Centres the window on the screen, in the normal window state only.
    void Form_Resize();
    void cmdAction_Click(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void End();

    std::function<void()> end_;
    bool ended_ = false;
};
