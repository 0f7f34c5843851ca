#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>

// A panel seen through the properties the splitters and the window layout use,
// in twips: Left, Top, Width, Height, ScaleWidth, ScaleHeight and MousePointer.
// A negative width or height is refused and leaves that property as it was.
// Changing the size of a hidden panel still reports the Resize to it at once,
// so the layout of its contents follows before the window is first shown.
// Every member does nothing on a released (null) panel.
class Pane {
public:
    Pane(QWidget* widget = nullptr) : w_(widget) {}

    QWidget* widget() const { return w_; }
    explicit operator bool() const { return !w_.isNull(); }

    std::int32_t Left() const;
    std::int32_t Top() const;
    std::int32_t Width() const;
    std::int32_t Height() const;
    std::int32_t ScaleLeft() const { return 0; }
    std::int32_t ScaleTop() const { return 0; }
    std::int32_t ScaleWidth() const;
    std::int32_t ScaleHeight() const;
    int MousePointer() const;

    void setLeft(double twips);
    void setTop(double twips);
    void setWidth(double twips);
    void setHeight(double twips);
    void setMousePointer(int pointer);
    // One move of position and size; a negative size is refused, the position still moves.
    void Move(double left, double top, double width, double height);

private:
    void resizeTo(int widthPx, int heightPx);

    QPointer<QWidget> w_;
};

// Lays a vertical bar and two panes out side by side inside a host panel.
class VSplit {
public:
    static constexpr std::int32_t kBarThickness = 30;

    QWidget* HostPane() const { return host_; }
    void setHostPane(QWidget* pane) { host_ = pane; }
    QWidget* LeftPane() const { return left_; }
    void setLeftPane(QWidget* pane) { left_ = pane; }
    QWidget* RightPane() const { return right_; }
    void setRightPane(QWidget* pane) { right_ = pane; }
    QWidget* SplitBar() const { return bar_; }
    void setSplitBar(QWidget* bar) { bar_ = bar; }
    bool SplitOn() const { return splitOn_; }
    void setSplitOn(bool on) { splitOn_ = on; }

    // Sets the host panel's mouse pointer.
    void SetPointer(int pointer);
    // Moves the bar by delta twips and lays both panes out around it.
    void ResizePanes(double delta = 0);

private:
    QPointer<QWidget> host_;
    QPointer<QWidget> left_;
    QPointer<QWidget> right_;
    QPointer<QWidget> bar_;
    bool splitOn_ = false;
};
