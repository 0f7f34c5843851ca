#include "app/StatusBar.h"

#include "vb/Twips.h"

#include <QDate>
#include <QLocale>
#include <QPainter>
#include <QStyle>
#include <QTime>
#include <qdrawutil.h>

#include <stdexcept>

namespace {
constexpr int kPadding = 6;  // pixels of room beside a panel's text
constexpr int kGap = 2;      // pixels between panels
} // namespace

void StatusBarPanel::setAlignment(int value)
{
    alignment_ = value;
    if (owner_)
        owner_->update();
}

void StatusBarPanel::setAutoSize(int value)
{
    autoSize_ = value;
    if (owner_)
        owner_->update();
}

void StatusBarPanel::setBevel(int value)
{
    bevel_ = value;
    if (owner_)
        owner_->update();
}

void StatusBarPanel::setStyle(int value)
{
    style_ = value;
    if (owner_)
        owner_->update();
}

void StatusBarPanel::setText(const QString& text)
{
    text_ = text;
    if (owner_)
        owner_->update();
}

std::int32_t StatusBarPanel::Width() const
{
    if (!owner_)
        return width_;
    for (int i = 1; i <= owner_->PanelCount(); ++i)
        if (&owner_->Panels(i) == this)
            return vb::pixelsToTwipsX(owner_->panelRect(i).width());
    return width_;
}

void StatusBarPanel::setWidth(double twips)
{
    if (twips < 0)
        return;
    width_ = static_cast<std::int32_t>(twips);
    if (owner_)
        owner_->update();
}

void StatusBarPanel::setMinWidth(double twips)
{
    if (twips < 0)
        return;
    minWidth_ = static_cast<std::int32_t>(twips);
    if (owner_)
        owner_->update();
}

StatusBar::StatusBar(QWidget* parent) : QWidget(parent)
{
    AddPanel();
    resize(sizeHint());
    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, &StatusBar::tick);
    clock_.start();
}

StatusBar::~StatusBar() = default;

StatusBarPanel& StatusBar::Panels(int index)
{
    if (index < 1 || index > PanelCount())
        throw std::out_of_range("status bar panel index");
    return *panels_[static_cast<std::size_t>(index - 1)];
}

const StatusBarPanel& StatusBar::Panels(int index) const
{
    if (index < 1 || index > PanelCount())
        throw std::out_of_range("status bar panel index");
    return *panels_[static_cast<std::size_t>(index - 1)];
}

StatusBarPanel& StatusBar::AddPanel(int style, const QString& text)
{
    auto p = std::make_unique<StatusBarPanel>();
    p->owner_ = this;
    p->style_ = style;
    p->text_ = text;
    panels_.push_back(std::move(p));
    update();
    return *panels_.back();
}

void StatusBar::RemovePanel(int index)
{
    if (index < 1 || index > PanelCount())
        throw std::out_of_range("status bar panel index");
    panels_.erase(panels_.begin() + (index - 1));
    update();
}

QString StatusBar::shownText(int index) const
{
    const StatusBarPanel& p = Panels(index);
    switch (p.style_) {
    case sbrDate: return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    case sbrTime: return QLocale().toString(QTime::currentTime(), QLocale::ShortFormat);
    default: return p.text_;
    }
}

std::vector<QRect> StatusBar::layoutPanels() const
{
    const int n = PanelCount();
    std::vector<int> widths(static_cast<std::size_t>(n), 0);
    int fixed = 0;
    int springs = 0;
    for (int i = 0; i < n; ++i) {
        const StatusBarPanel& p = *panels_[static_cast<std::size_t>(i)];
        const int minPx = vb::twipsToPixelsX(p.minWidth_);
        int w = 0;
        if (p.autoSize_ == sbrSpring) {
            ++springs;
            continue;
        }
        if (p.autoSize_ == sbrContents)
            w = std::max(minPx, fontMetrics().horizontalAdvance(shownText(i + 1)) + 2 * kPadding);
        else
            w = std::max(minPx, vb::twipsToPixelsX(p.width_));
        widths[static_cast<std::size_t>(i)] = w;
        fixed += w;
    }
    const int room = std::max(0, width() - fixed - kGap * std::max(0, n - 1));
    int given = 0;
    int springIndex = 0;
    for (int i = 0; i < n; ++i) {
        const StatusBarPanel& p = *panels_[static_cast<std::size_t>(i)];
        if (p.autoSize_ != sbrSpring)
            continue;
        ++springIndex;
        // The last spring panel takes what the rounding left.
        const int share = springIndex == springs ? room - given : room / springs;
        widths[static_cast<std::size_t>(i)] = std::max(vb::twipsToPixelsX(p.minWidth_), share);
        given += share;
    }
    std::vector<QRect> rects;
    int x = 0;
    for (int i = 0; i < n; ++i) {
        rects.emplace_back(x, 0, widths[static_cast<std::size_t>(i)], height());
        x += widths[static_cast<std::size_t>(i)] + kGap;
    }
    return rects;
}

QRect StatusBar::panelRect(int index) const
{
    const std::vector<QRect> rects = layoutPanels();
    if (index < 1 || index > static_cast<int>(rects.size()))
        return {};
    return rects[static_cast<std::size_t>(index - 1)];
}

std::int32_t StatusBar::Height() const { return vb::pixelsToTwipsY(height()); }

void StatusBar::Refresh() { update(); }

QSize StatusBar::sizeHint() const { return {200, fontMetrics().height() + 8}; }

void StatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const std::vector<QRect> rects = layoutPanels();
    for (int i = 0; i < PanelCount(); ++i) {
        const StatusBarPanel& p = *panels_[static_cast<std::size_t>(i)];
        const QRect r = rects[static_cast<std::size_t>(i)];
        if (p.bevel_ != sbrNoBevel)
            qDrawShadePanel(&painter, r, palette(), p.bevel_ == sbrInset, 1);
        Qt::Alignment align = Qt::AlignVCenter;
        align |= p.alignment_ == sbrRight ? Qt::AlignRight : p.alignment_ == sbrCenter ? Qt::AlignHCenter : Qt::AlignLeft;
        const QRect textRect = r.adjusted(kPadding / 2 + 1, 1, -(kPadding / 2 + 1), -1);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect, static_cast<int>(align),
                         fontMetrics().elidedText(shownText(i + 1), Qt::ElideRight, textRect.width()));
    }
}

void StatusBar::tick()
{
    for (const auto& p : panels_)
        if (p->style_ == sbrDate || p->style_ == sbrTime) {
            update();
            return;
        }
}
