#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

class QEventLoop;

namespace vb {

enum FormShow : int { vbModeless = 0, vbModal = 1 };
enum WindowStateConstant : int { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };

// What a window's control is, as far as laying it out is concerned. Combo boxes,
// text boxes, command buttons and status bars have a height of their own; timers,
// menus and lines have no place that can be moved.
enum class ControlKind { ComboBox, TextBox, CommandButton, StatusBar, Other, Timer, Menu, Line };

struct FormControl {
    QPointer<QObject> object;
    ControlKind kind = ControlKind::Other;
};

// A top-level window in the Visual Basic manner: Form_Load runs once on first
// use, Show(vbModal) runs a nested loop until the window is unloaded, and
// Unload runs Form_Unload, hides the window and deletes it later.
class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    // Runs Form_Load the first time; later calls do nothing.
    void Load();
    bool isLoaded() const { return loaded_; }
    bool isUnloaded() const { return unloaded_; }

    void Show(int modal = vbModeless);
    void Hide();

    int WindowState() const;

    // Outer position and size in twips.
    std::int32_t Left() const;
    std::int32_t Top() const;
    std::int32_t Width() const;
    std::int32_t Height() const;
    void Move(double left, double top);
    void Move(double left, double top, double width, double height);
    // Inner size in twips.
    std::int32_t ScaleWidth() const;
    std::int32_t ScaleHeight() const;

    void setMousePointer(int pointer);
    int MousePointer() const;

    void setCaption(const QString& caption) { setWindowTitle(caption); }
    QString Caption() const { return windowTitle(); }

    // Centres the window's frame on the screen when its state is normal, keeping
    // its size. Before the window system has framed the window its outer size is
    // not known yet: it is centred again once the frame is there.
    void centreOnScreen();

    int HelpContextID = 0;

    // The window's controls: the ones its code placed, in the order it created
    // them (each element of a control array counts as one). Registering a
    // control twice keeps its first place.
    void registerControl(QObject* control, ControlKind kind);
    const std::vector<FormControl>& Controls() const { return controls_; }

signals:
    void unloaded();

protected:
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_Unload(int& cancel) { (void)cancel; }

    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend void Unload(Form* form);
    bool runUnload();

    bool loaded_ = false;
    bool unloaded_ = false;
    bool inUnload_ = false;
    void framed();
    bool framed_ = false;
    bool centreWhenFramed_ = false;
    std::vector<FormControl> controls_;
};

// Unloads a window: Form_Unload, hide, deferred deletion. A cancelled unload keeps it.
void Unload(Form* form);

} // namespace vb
