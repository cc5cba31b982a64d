#include "app/ProgressDialog.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace app {

ProgressDialog::ProgressDialog(const QString& caption, QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(caption);
    setFont(QApplication::font("QMessageBox"));
    auto* layout = new QVBoxLayout(this);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("Count"));
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(320);
    layout->addWidget(count_);
    layout->addWidget(bar_);
    show();
}

void ProgressDialog::SetProgress(int done, int total) {
    count_->setText(total > 0 ? QStringLiteral("%1 / %2").arg(done).arg(total) : QString());
    bar_->setRange(0, total > 0 ? total : 0);
    bar_->setValue(total > 0 ? done : 0);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace app
