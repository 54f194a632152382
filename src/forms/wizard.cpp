#include "forms/wizard.h"

#include "forms/calendar_dialog.h"
#include "forms/date_edit.h"
#include "forms/qt_prompts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vantrel {

namespace {

constexpr QSize kWindowSize(435, 300);
constexpr int kBottomPanelHeight = 41;
constexpr QSize kButtonSize(75, 25);

} // namespace

TfmWizard::TfmWizard(QWidget* parent)
    : QDialog(parent), prompts_(std::make_unique<QtPrompts>(this)) {
    setObjectName(QStringLiteral("fmWizard"));
    setWindowTitle(QStringLiteral("fmWizard"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("PageControl1"));
    QWidget* sheets[4];
    for (int i = 0; i < 4; ++i) {
        sheets[i] = new QWidget;
        const QString name = QStringLiteral("TabSheet%1").arg(i + 1);
        sheets[i]->setObjectName(name);
        pages->addTab(sheets[i], name);
    }

    auto* gbExpired = new QGroupBox(QStringLiteral("Срок действия"), sheets[0]);
    gbExpired->setObjectName(QStringLiteral("gbExpired"));
    ceStartDate_ = new DateEdit(*prompts_, gbExpired);
    ceStartDate_->setObjectName(QStringLiteral("ceStartDate"));
    ceEndDate_ = new DateEdit(*prompts_, gbExpired);
    ceEndDate_->setObjectName(QStringLiteral("ceEndDate"));
    auto* lbStartDate = new QLabel(QStringLiteral("с"), gbExpired);
    lbStartDate->setBuddy(ceStartDate_);
    auto* lbEndDate = new QLabel(QStringLiteral("по"), gbExpired);
    lbEndDate->setBuddy(ceEndDate_);
    auto* dates = new QHBoxLayout(gbExpired);
    dates->addWidget(lbStartDate);
    dates->addWidget(ceStartDate_);
    dates->addSpacing(6);
    dates->addWidget(lbEndDate);
    dates->addWidget(ceEndDate_);
    dates->addStretch(1);
    auto* first = new QVBoxLayout(sheets[0]);
    first->addWidget(gbExpired);
    first->addStretch(1);
    // Both buttons run the same handler, which acts on the end date.
    connect(ceStartDate_, &DateEdit::buttonClicked, this, &TfmWizard::ceStartDateButtonClick);
    connect(ceEndDate_, &DateEdit::buttonClicked, this, &TfmWizard::ceStartDateButtonClick);

    auto* memo = new QPlainTextEdit(QStringLiteral("Memo1"), sheets[1]);
    memo->setObjectName(QStringLiteral("Memo1"));
    auto* second = new QVBoxLayout(sheets[1]);
    second->addWidget(memo);

    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(kBottomPanelHeight);
    auto* buttons = new QHBoxLayout(bottom);
    buttons->addStretch(1);
    for (const char* name : {"btSave", "btPrev", "btNext", "btClose"}) {
        auto* button = new QPushButton(QString::fromLatin1(name), bottom);
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(kButtonSize);
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(pages, 1);
    layout->addWidget(bottom);
    resize(kWindowSize);
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TfmWizard::~TfmWizard() = default;

void TfmWizard::ceStartDateButtonClick() {
    RunCommand(*prompts_, [this] { pickDate(*ceEndDate_); });
}

void TfmWizard::keyPressEvent(QKeyEvent* event) {
    // No button of this window is the default or the cancel button.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vantrel
