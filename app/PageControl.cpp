#include "app/PageControl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>

namespace app {

namespace {
constexpr int kTabsLeft = 2;   // first tab's left edge
constexpr int kTabsTop = 2;    // first row's top edge
constexpr int kPageInset = 4;  // page client area inside the frame
}  // namespace

TPageControl::TPageControl(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

QWidget* TPageControl::AddPage(const QString& caption, const QString& objectName) {
    auto* page = new QWidget(this);
    page->setObjectName(objectName);
    pages_.push_back(page);
    captions_ << caption;
    if (active_ < 0) active_ = 0;
    page->setVisible(PageCount() - 1 == active_);
    LayoutPages();
    update();
    return page;
}

QWidget* TPageControl::Page(int index) const {
    return index >= 0 && index < PageCount() ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

QString TPageControl::TabCaption(int index) const {
    return captions_.value(index);
}

void TPageControl::SetActivePageIndex(int index) {
    if (index < 0 || index >= PageCount() || index == active_) return;
    QWidget* old = Page(active_);
    // Keep the focus in the control when it sat on the page that goes away.
    const bool focusOnOld = old && old->isAncestorOf(QApplication::focusWidget());
    active_ = index;
    Page(active_)->setVisible(true);
    if (old) old->setVisible(false);
    if (focusOnOld) setFocus(Qt::OtherFocusReason);
    update();
    emit currentChanged(active_);
}

void TPageControl::SelectNextPage(bool forward) {
    const int n = PageCount();
    if (n == 0) return;
    SetActivePageIndex(((active_ + (forward ? 1 : -1)) % n + n) % n);
}

int TPageControl::TabsPerRow() const {
    return std::max(1, (width() - 2 * kTabsLeft) / kTabWidth);
}

int TPageControl::RowCount() const {
    const int n = PageCount();
    return n == 0 ? 0 : (n + TabsPerRow() - 1) / TabsPerRow();
}

QRect TPageControl::TabRect(int index) const {
    const int perRow = TabsPerRow();
    const int rows = RowCount();
    // The row holding the active tab is drawn next to the page; the others keep their order.
    const int activeRow = active_ < 0 ? 0 : active_ / perRow;
    const int shown = rows == 0 ? 0 : (index / perRow + rows - 1 - activeRow) % rows;
    return QRect(kTabsLeft + (index % perRow) * kTabWidth, kTabsTop + shown * kTabHeight, kTabWidth,
                 kTabHeight);
}

QRect TPageControl::PageRect() const {
    const int top = kTabsTop + RowCount() * kTabHeight + kPageInset;
    return QRect(kPageInset, top, width() - 2 * kPageInset, height() - top - kPageInset);
}

int TPageControl::TabAt(const QPoint& pos) const {
    for (int i = 0; i < PageCount(); ++i) {
        if (TabRect(i).contains(pos)) return i;
    }
    return -1;
}

void TPageControl::LayoutPages() {
    const QRect rect = PageRect();
    for (QWidget* page : pages_) page->setGeometry(rect);
}

void TPageControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor light = pal.color(QPalette::Light);
    const QColor dark = pal.color(QPalette::Dark);

    // Page frame: raised edge around the page area.
    const int frameTop = kTabsTop + RowCount() * kTabHeight;
    const QRect frame(0, frameTop, width(), height() - frameTop);
    painter.fillRect(frame, face);
    painter.setPen(light);
    painter.drawLine(frame.topLeft(), frame.topRight());
    painter.drawLine(frame.topLeft(), frame.bottomLeft());
    painter.setPen(dark);
    painter.drawLine(frame.bottomLeft(), frame.bottomRight());
    painter.drawLine(frame.topRight(), frame.bottomRight());

    painter.setFont(font());
    for (int i = 0; i < PageCount(); ++i) {
        const bool selected = i == active_;
        // The selected tab stands 2 px higher and wider and joins the page below it.
        QRect tab = TabRect(i).adjusted(0, 2, -1, 0);
        if (selected) tab.adjust(-2, -2, 2, 1);
        painter.fillRect(tab, selected ? face : face.darker(106));
        painter.setPen(light);
        painter.drawLine(tab.topLeft(), tab.bottomLeft());
        painter.drawLine(tab.topLeft(), tab.topRight());
        painter.setPen(dark);
        painter.drawLine(tab.topRight(), tab.bottomRight());
        painter.setPen(pal.color(QPalette::ButtonText));
        painter.drawText(tab, Qt::AlignCenter | Qt::TextSingleLine, captions_[i]);
        if (selected && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = tab.adjusted(4, 4, -4, -4);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
}

void TPageControl::mousePressEvent(QMouseEvent* event) {
    const int tab = TabAt(event->position().toPoint());
    if (tab < 0 || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    SetActivePageIndex(tab);
}

void TPageControl::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Left) {
            SetActivePageIndex(active_ - 1);
            return;
        }
        if (event->key() == Qt::Key_Right) {
            SetActivePageIndex(active_ + 1);
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void TPageControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutPages();
}

void TPageControl::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void TPageControl::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

}  // namespace app
