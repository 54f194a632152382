#include "forms/about.h"

#include "forms/site.h"
#include "product_config.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel {

namespace {

constexpr int kClientWidth = 290;
constexpr int kTitlePointSize = 12;

void makeBold(QLabel* label, int pointSize = 0) {
    QFont font = label->font();
    font.setBold(true);
    if (pointSize > 0) {
        font.setPointSize(pointSize);
    }
    label->setFont(font);
}

// Blue, underlined, with a hand cursor; the disabled look stays the platform's grey.
void makeLink(QLabel* label) {
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, Qt::blue);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
}

} // namespace

QString VersionLabelText(int major, int minor, int release, int build) {
    return QStringLiteral("ver. %1.%2.%3.%4").arg(major).arg(minor).arg(release).arg(build);
}

TfmAbout::TfmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmAbout"));
    setWindowTitle(QStringLiteral("О проекте"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setSpacing(2);

    makeBold(addLabel(panel, "lbNameProjekt", QStringLiteral("Vantrel Lite")), kTitlePointSize);
    lbVersion_ = addLabel(panel, "lbVersion", QStringLiteral("ver. 1.0.0.0"));
    makeBold(lbVersion_, kTitlePointSize);
    makeBold(addLabel(panel, "lbYear", QStringLiteral("2002")), kTitlePointSize);

    const QString mail = QString::fromUtf8(product::kMailAddress);
    lbEMail_ = addLabel(panel, "lbEMail", mail);
    makeLink(lbEMail_);
    lbEMail_->setToolTip(QStringLiteral("maito: ") + mail);
    lbEMail_->installEventFilter(this);

    const QString site = QString::fromUtf8(product::kSiteUrl);
    lbURL_ = addLabel(panel, "lbURL", site);
    makeLink(lbURL_);
    lbURL_->setToolTip(site);
    lbURL_->installEventFilter(this);
    for (QLabel* label : panel->findChildren<QLabel*>()) {
        panelLayout->addWidget(label);
    }

    auto* lbSoAuthor = addLabel(this, "lbSoAuthor", QString::fromUtf8(product::kCreditLine));
    lbSoAuthor->setWordWrap(true);
    lbPhMemory_ = addLabel(this, "lbPhMemory", QString());
    makeBold(lbPhMemory_);
    lbMemLoad_ = addLabel(this, "lbMemLoad", QString());
    makeBold(lbMemLoad_);

    auto* btOK = new QPushButton(QStringLiteral("&OK"), this);
    btOK->setObjectName(QStringLiteral("btOK"));
    btOK->setDefault(true);
    btOK->setMinimumHeight(33);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    // The OK button is the only control that takes the focus.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setFocusPolicy(child == btOK ? Qt::StrongFocus : Qt::NoFocus);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 5);
    layout->addWidget(panel);
    layout->addSpacing(4);
    layout->addWidget(lbSoAuthor);
    layout->addWidget(lbPhMemory_);
    layout->addWidget(lbMemLoad_);
    layout->addWidget(btOK);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(kClientWidth);

    // FormCreate
    ShowMemoryStatus();
    ShowFileVersion();
}

QLabel* TfmAbout::addLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

void TfmAbout::ShowMemoryStatus() {
    const MemoryStatus status = memorySource_();
    const std::string separator = QLocale().groupSeparator().toStdString();
    lbPhMemory_->setText(QString::fromStdString(MemoryTotalText(status.totalBytes, separator)));
    lbMemLoad_->setText(QString::fromStdString(MemoryLoadText(status.loadPercent)));
}

void TfmAbout::ShowFileVersion() {
    lbVersion_->setText(VersionLabelText(product::kVersionMajor, product::kVersionMinor,
                                         product::kVersionPatch, product::kVersionBuild));
}

void TfmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!placed_) {
        placed_ = true;
        CenterOnScreen(this);
    }
    ShowMemoryStatus();
    lbURL_->setEnabled(connectionCheck_());
}

void TfmAbout::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        ShowMemoryStatus();
    }
}

bool TfmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == lbEMail_) {
            OpenMailAddress();
            return true;
        }
        if (watched == lbURL_ && lbURL_->isEnabled()) {
            OpenSiteAddress();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vantrel
