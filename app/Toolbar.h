#pragma once

#include <QIcon>
#include <QMap>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class QHBoxLayout;
class QToolButton;

// A set of images looked up by key, all shown at one size (pixels).
class ImageList {
public:
    explicit ImageList(int size) : size_(size) {}

    void Add(const QString& key, const QIcon& icon);
    bool contains(const QString& key) const { return images_.contains(key); }
    QIcon Image(const QString& key) const { return images_.value(key); }
    QStringList Keys() const { return keys_; }
    int Count() const { return static_cast<int>(keys_.size()); }
    int ImageWidth() const { return size_; }
    int ImageHeight() const { return size_; }

private:
    int size_;
    QMap<QString, QIcon> images_;
    QStringList keys_;
};

// Toolbar button styles.
enum ToolbarButtonStyle : int {
    tbrDefault = 0,
    tbrCheck = 1,
    tbrButtonGroup = 2,
    tbrSeparator = 3,
    tbrPlaceholder = 4,
    tbrDropdown = 5,
};

class Toolbar;

// One button of a Toolbar, addressed by its 1-based index.
class ToolbarButton {
public:
    int Index() const { return index_; }
    int Style() const { return style_; }
    void setStyle(int style);
    QString Image() const { return image_; }
    QString ToolTipText() const { return toolTip_; }
    void setToolTipText(const QString& text);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // The button widget; nullptr while the button is a separator.
    QToolButton* button() const { return button_; }
    QWidget* widget() const { return widget_; }

private:
    friend class Toolbar;
    Toolbar* owner_ = nullptr;
    int index_ = 0;
    int style_ = tbrDefault;
    QString image_;
    QString toolTip_;
    bool enabled_ = true;
    QWidget* widget_ = nullptr;
    QToolButton* button_ = nullptr;
};

// A one-row toolbar of image buttons and separators. A click on a button
// reports its index; the arrow part of a drop-down button does nothing unless
// a handler of ButtonDropDown acts on it.
class Toolbar : public QWidget {
    Q_OBJECT
public:
    explicit Toolbar(QWidget* parent = nullptr);
    ~Toolbar() override;

    void setImageList(const ImageList* images) { images_ = images; }
    const ImageList* imageList() const { return images_; }

    // Appends a button and returns it; its index is the new count.
    ToolbarButton& AddButton(int style = tbrDefault, const QString& image = QString());
    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    ToolbarButton& Buttons(int index);
    const ToolbarButton& Buttons(int index) const;

    // Height of a button row with the current image list, in twips.
    std::int32_t ButtonHeight() const;
    std::int32_t Top() const;
    std::int32_t Height() const;
    void setHeight(double twips);
    void Refresh();

signals:
    void ButtonClick(int index);
    void ButtonDropDown(int index);
    void MouseMove();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    friend class ToolbarButton;
    void rebuild(ToolbarButton& b);

    QHBoxLayout* layout_ = nullptr;
    const ImageList* images_ = nullptr;
    std::vector<std::unique_ptr<ToolbarButton>> buttons_;
};
