#pragma once

#include "app/VSplit.h"

// Lays a horizontal bar and two panes out one above the other inside a host panel.
class HSplit {
public:
    static constexpr std::int32_t kBarThickness = 30;

    QWidget* HostPane() const { return host_; }
    void setHostPane(QWidget* pane) { host_ = pane; }
    QWidget* TopPane() const { return top_; }
    void setTopPane(QWidget* pane) { top_ = pane; }
    QWidget* BottomPane() const { return bottom_; }
    void setBottomPane(QWidget* pane) { bottom_ = pane; }
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
    QPointer<QWidget> top_;
    QPointer<QWidget> bottom_;
    QPointer<QWidget> bar_;
    bool splitOn_ = false;
};
