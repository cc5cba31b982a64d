#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace app {

// A modal progress dialog without buttons: a caption, "done / total" and a bar (busy while the
// total is 0). It cannot be closed by the operator; its owner closes it by destroying it.
class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    ProgressDialog(const QString& caption, QWidget* parent);

    // Shows the new figures and paints them at once: the caller is busy meanwhile.
    void SetProgress(int done, int total);

protected:
    void reject() override {}  // Esc and the close box do nothing

private:
    QLabel* count_ = nullptr;
    QProgressBar* bar_ = nullptr;
};

}  // namespace app
