#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace app {

// Tabbed pages whose fixed-size tabs wrap into as many rows as the control's width needs; the
// row of the active tab is drawn next to the page. Only the active page is visible. Pages switch by
// clicking a tab, by the arrow keys while the tab strip has the focus, and through SelectNextPage
// (Ctrl+Tab).
class TPageControl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTabWidth = 166;
    static constexpr int kTabHeight = 40;

    explicit TPageControl(QWidget* parent = nullptr);

    // Adds a page with its tab caption; the page is a plain widget that holds the controls.
    QWidget* AddPage(const QString& caption, const QString& objectName);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    QWidget* Page(int index) const;
    QString TabCaption(int index) const;
    int ActivePageIndex() const { return active_; }
    void SetActivePageIndex(int index);
    // Next or previous page, wrapping around at either end.
    void SelectNextPage(bool forward);

    int TabsPerRow() const;
    int RowCount() const;
    QRect TabRect(int index) const;
    // Where the active page sits, in the control's coordinates.
    QRect PageRect() const;
    int TabAt(const QPoint& pos) const;

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void LayoutPages();

    std::vector<QWidget*> pages_;
    QStringList captions_;
    int active_ = -1;
};

}  // namespace app
