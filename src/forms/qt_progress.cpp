#include "forms/qt_progress.h"

#include "forms/qt_prompts.h"

#include <QCloseEvent>
#include <QProgressDialog>

namespace vantrel {

namespace {

// The work cannot be stopped halfway, so Escape and the close button leave
// the dialog where it is.
class WorkDialog : public QProgressDialog {
public:
    using QProgressDialog::QProgressDialog;

    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

} // namespace

QtProgress::QtProgress(QWidget* parent, int delayMs) : parent_(parent), delayMs_(delayMs) {}

QtProgress::~QtProgress() = default;

void QtProgress::begin(const std::string& text) {
    dialog_ =
        std::make_unique<WorkDialog>(QString::fromStdString(text), QString(), 0, 1000, parent_);
    dialog_->setObjectName(QStringLiteral("dlgProgress"));
    dialog_->setWindowTitle(QString::fromUtf8(kProgramTitle));
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setCancelButton(nullptr);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumWidth(360);
    dialog_->setMinimumDuration(delayMs_);
    dialog_->setValue(0);
}

void QtProgress::advance(int permille) {
    if (dialog_) {
        dialog_->setValue(permille);
    }
}

void QtProgress::end() {
    dialog_.reset();
}

} // namespace vantrel
