#include "app/Toolbar.h"

#include "vb/Twips.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QToolButton>

#include <functional>
#include <stdexcept>

void ImageList::Add(const QString& key, const QIcon& icon)
{
    if (!images_.contains(key))
        keys_.append(key);
    images_.insert(key, icon);
}

namespace {

// A button with an arrow part; a press on the arrow reports itself instead of opening a menu.
class DropDownButton : public QToolButton {
public:
    DropDownButton(QWidget* parent, std::function<void()> onArrow) : QToolButton(parent), onArrow_(std::move(onArrow))
    {
        // The menu only gives the button its arrow; it is never shown.
        setMenu(new QMenu(this));
        setPopupMode(QToolButton::MenuButtonPopup);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QStyleOptionToolButton opt;
        initStyleOption(&opt);
        const QRect arrow = style()->subControlRect(QStyle::CC_ToolButton, &opt, QStyle::SC_ToolButtonMenu, this);
        if (event->button() == Qt::LeftButton && arrow.contains(event->position().toPoint())) {
            event->accept();
            if (onArrow_)
                onArrow_();
            return;
        }
        QToolButton::mousePressEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        // Alt+Down and F4 would open the menu.
        if ((event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) || event->key() == Qt::Key_F4) {
            event->accept();
            return;
        }
        QToolButton::keyPressEvent(event);
    }

private:
    std::function<void()> onArrow_;
};

} // namespace

void ToolbarButton::setStyle(int style)
{
    if (style_ == style)
        return;
    style_ = style;
    if (owner_)
        owner_->rebuild(*this);
}

void ToolbarButton::setToolTipText(const QString& text)
{
    toolTip_ = text;
    if (widget_)
        widget_->setToolTip(text);
}

void ToolbarButton::setEnabled(bool enabled)
{
    enabled_ = enabled;
    if (widget_)
        widget_->setEnabled(enabled);
}

Toolbar::Toolbar(QWidget* parent) : QWidget(parent)
{
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(2, 2, 2, 2);
    layout_->setSpacing(1);
    layout_->addStretch(1);
    setMouseTracking(true);
}

Toolbar::~Toolbar() = default;

ToolbarButton& Toolbar::AddButton(int style, const QString& image)
{
    auto b = std::make_unique<ToolbarButton>();
    b->owner_ = this;
    b->index_ = ButtonCount() + 1;
    b->style_ = style;
    b->image_ = image;
    buttons_.push_back(std::move(b));
    rebuild(*buttons_.back());
    return *buttons_.back();
}

ToolbarButton& Toolbar::Buttons(int index)
{
    if (index < 1 || index > ButtonCount())
        throw std::out_of_range("toolbar button index");
    return *buttons_[static_cast<std::size_t>(index - 1)];
}

const ToolbarButton& Toolbar::Buttons(int index) const
{
    if (index < 1 || index > ButtonCount())
        throw std::out_of_range("toolbar button index");
    return *buttons_[static_cast<std::size_t>(index - 1)];
}

void Toolbar::rebuild(ToolbarButton& b)
{
    if (b.widget_) {
        layout_->removeWidget(b.widget_);
        b.widget_->deleteLater();
        b.widget_->hide();
    }
    b.widget_ = nullptr;
    b.button_ = nullptr;
    const int index = b.index_;
    if (b.style_ == tbrSeparator) {
        auto* line = new QFrame(this);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setFixedWidth(8);
        b.widget_ = line;
    } else {
        QToolButton* button = nullptr;
        if (b.style_ == tbrDropdown)
            button = new DropDownButton(this, [this, index] { emit ButtonDropDown(index); });
        else
            button = new QToolButton(this);
        button->setAutoRaise(true);
        // The commands choose their road by the control that has the focus: a button never takes it.
        button->setFocusPolicy(Qt::NoFocus);
        button->setCheckable(b.style_ == tbrCheck || b.style_ == tbrButtonGroup);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        if (images_) {
            button->setIconSize(QSize(images_->ImageWidth(), images_->ImageHeight()));
            button->setIcon(images_->Image(b.image_));
        }
        button->setToolTip(b.toolTip_);
        button->setEnabled(b.enabled_);
        connect(button, &QToolButton::clicked, this, [this, index] { emit ButtonClick(index); });
        b.button_ = button;
        b.widget_ = button;
    }
    b.widget_->setObjectName(QStringLiteral("Button%1").arg(index));
    b.widget_->setMouseTracking(true);
    b.widget_->installEventFilter(this);
    b.widget_->setToolTip(b.toolTip_);
    layout_->insertWidget(index - 1, b.widget_);
    if (isVisible())
        b.widget_->show();
}

std::int32_t Toolbar::ButtonHeight() const
{
    int h = 0;
    for (const auto& b : buttons_)
        if (b->button_)
            h = std::max(h, b->button_->sizeHint().height());
    if (h == 0)
        h = (images_ ? images_->ImageHeight() : 16) + 6;
    const QMargins m = layout_->contentsMargins();
    return vb::pixelsToTwipsY(h + m.top() + m.bottom());
}

std::int32_t Toolbar::Top() const { return vb::pixelsToTwipsY(y()); }
std::int32_t Toolbar::Height() const { return vb::pixelsToTwipsY(height()); }

void Toolbar::setHeight(double twips)
{
    if (twips < 0)
        return;
    resize(width(), vb::twipsToPixelsY(twips));
}

void Toolbar::Refresh()
{
    layout_->activate();
    update();
}

bool Toolbar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove)
        emit MouseMove();
    return QWidget::eventFilter(watched, event);
}

void Toolbar::mouseMoveEvent(QMouseEvent* event)
{
    emit MouseMove();
    QWidget::mouseMoveEvent(event);
}
