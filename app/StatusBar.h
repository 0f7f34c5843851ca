#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

enum PanelAlignment : int { sbrLeft = 0, sbrCenter = 1, sbrRight = 2 };
enum PanelAutoSize : int { sbrNoAutoSize = 0, sbrSpring = 1, sbrContents = 2 };
enum PanelBevel : int { sbrNoBevel = 0, sbrInset = 1, sbrRaised = 2 };
enum PanelStyle : int {
    sbrText = 0,
    sbrCaps = 1,
    sbrNum = 2,
    sbrIns = 3,
    sbrScrl = 4,
    sbrTime = 5,
    sbrDate = 6,
    sbrKana = 7,
};

class StatusBar;

// One panel of a StatusBar. Width is in twips; a spring panel shares the room
// the other panels leave, a contents panel fits what it shows.
class StatusBarPanel {
public:
    int Alignment() const { return alignment_; }
    void setAlignment(int value);
    int AutoSize() const { return autoSize_; }
    void setAutoSize(int value);
    int Bevel() const { return bevel_; }
    void setBevel(int value);
    int Style() const { return style_; }
    void setStyle(int value);
    QString Text() const { return text_; }
    void setText(const QString& text);
    // The width the panel has in the bar's current layout.
    std::int32_t Width() const;
    void setWidth(double twips);
    std::int32_t MinWidth() const { return minWidth_; }
    void setMinWidth(double twips);

private:
    friend class StatusBar;
    StatusBar* owner_ = nullptr;
    int alignment_ = sbrLeft;
    int autoSize_ = sbrNoAutoSize;
    int bevel_ = sbrInset;
    int style_ = sbrText;
    QString text_;
    std::int32_t width_ = 1440;
    std::int32_t minWidth_ = 0;
};

// A status bar of panels, each showing its text or, by its style, the current
// date or time, which the bar keeps current.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    // A new bar holds one text panel, as a freshly placed control does.
    explicit StatusBar(QWidget* parent = nullptr);
    ~StatusBar() override;

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    StatusBarPanel& Panels(int index); // 1-based
    const StatusBarPanel& Panels(int index) const;
    StatusBarPanel& AddPanel(int style = sbrText, const QString& text = QString());
    void RemovePanel(int index);

    // What panel `index` shows now: its text, or the date or time by its style.
    QString shownText(int index) const;
    // Pixel rectangle of panel `index` in the current layout.
    QRect panelRect(int index) const;

    std::int32_t Height() const;
    void Refresh();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class StatusBarPanel;
    std::vector<QRect> layoutPanels() const;
    void tick();

    std::vector<std::unique_ptr<StatusBarPanel>> panels_;
    QTimer clock_;
};
