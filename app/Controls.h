#pragma once

#include <QAbstractItemDelegate>
#include <QColor>
#include <QDateEdit>
#include <QDateTime>
#include <QFrame>
#include <QListWidget>
#include <QString>
#include <QTime>

#include <string>

namespace app {

// Draws one list row: background or highlight, the text from 2 px on one line and centred
// vertically (an ampersand is shown as itself), a dotted focus rectangle around the focused row.
class ListRowDelegate : public QAbstractItemDelegate {
public:
    explicit ListRowDelegate(int rowHeight, QObject* parent = nullptr)
        : QAbstractItemDelegate(parent), rowHeight_(rowHeight) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int rowHeight_;
};

// A single-selection list box with owner-drawn rows of fixed height. Each item keeps the raw
// database bytes it was added with (Qt::UserRole) and shows them decoded from code page 949.
class TListBox : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kItemHeight = 20;
    static constexpr int kBytesRole = Qt::UserRole;

    explicit TListBox(QWidget* parent = nullptr);

    void AppendBytes(const std::string& bytes);
    std::string BytesAt(int index) const;
    // The selected row, -1 when none.
    int ItemIndex() const;
    void SetItemIndex(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// A date picker that shows the date only but keeps the time of day it was given, so its value
// is the full date and time.
class TDateTimePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit TDateTimePicker(QWidget* parent = nullptr);

    void SetDateTime(const QDateTime& value);
    QDateTime DateTime() const { return QDateTime(date(), time_); }

protected:
    // Tab leaves the picker instead of stepping through its date fields.
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

private:
    QTime time_;
};

// A panel with a raised border and a caption centred in it. The caption has its own font and
// colour; the panel's children keep their own.
class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);

    void SetCaption(const QString& caption);
    QString Caption() const { return caption_; }
    void SetCaptionFont(const QFont& font, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    QFont captionFont_;
    QColor captionColor_;
};

}  // namespace app
