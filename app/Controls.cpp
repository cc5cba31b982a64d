#include "app/Controls.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

#include "form/Cp949.h"

namespace app {

void ListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    painter->save();
    painter->fillRect(option.rect, selected ? palette.color(QPalette::Active, QPalette::Highlight)
                                            : palette.color(QPalette::Active, QPalette::Base));
    const QColor textColor = selected ? palette.color(QPalette::Active, QPalette::HighlightedText)
                                      : palette.color(QPalette::Active, QPalette::Text);
    painter->setPen(textColor);
    painter->setFont(option.font);
    // No mnemonic flag: "&" is drawn as itself.
    painter->drawText(option.rect.adjusted(2, 0, 0, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    if (option.state & QStyle::State_HasFocus) {
        QPen pen(textColor, 1, Qt::DotLine);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), rowHeight_);
}

TListBox::TListBox(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new ListRowDelegate(kItemHeight, this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Active, QPalette::Base));
    setPalette(pal);
}

void TListBox::AppendBytes(const std::string& bytes) {
    auto* item = new QListWidgetItem(QString::fromStdString(form::Cp949ToUtf8(bytes)));
    item->setData(kBytesRole, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    addItem(item);
}

std::string TListBox::BytesAt(int index) const {
    const QListWidgetItem* it = item(index);
    if (!it) return std::string();
    const QByteArray bytes = it->data(kBytesRole).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int TListBox::ItemIndex() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TListBox::SetItemIndex(int index) {
    if (index < 0 || index >= count()) {
        clearSelection();
        return;
    }
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

void TListBox::mousePressEvent(QMouseEvent* event) {
    // A click below the last row keeps the selection, as a list box does.
    if (!indexAt(event->position().toPoint()).isValid()) {
        setFocus(Qt::MouseFocusReason);
        return;
    }
    QListWidget::mousePressEvent(event);
}

TDateTimePicker::TDateTimePicker(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat));
}

void TDateTimePicker::SetDateTime(const QDateTime& value) {
    setDate(value.date());
    time_ = value.time();
}

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
}

void TPanel::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TPanel::SetCaptionFont(const QFont& font, const QColor& color) {
    captionFont_ = font;
    captionColor_ = color;
    update();
}

void TPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (caption_.isEmpty()) return;
    QPainter painter(this);
    painter.setFont(captionFont_);
    painter.setPen(captionColor_);
    painter.drawText(contentsRect(), Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

}  // namespace app
