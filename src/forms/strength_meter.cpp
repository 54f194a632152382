#include "forms/strength_meter.h"

#include "health/strength.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

// The bar is full from this estimate on.
constexpr int kFullBarBits = 100;

// Red to green, one per StrengthLevel.
constexpr const char* kLevelColours[] = {"#d32f2f", "#f57c00", "#fbc02d", "#7cb342", "#2e7d32"};

} // namespace

StrengthMeter::StrengthMeter(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnStrength"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("pbStrength"));
    bar_->setRange(0, kFullBarBits);
    bar_->setTextVisible(false);
    bar_->setFixedHeight(8);
    bar_->setAccessibleName(QStringLiteral("Надёжность пароля"));
    verdict_ = new QLabel(this);
    verdict_->setObjectName(QStringLiteral("lbStrength"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(bar_);
    layout->addWidget(verdict_);
    showPassword(QString(), QString(), QString());
}

void StrengthMeter::showPassword(const QString& password, const QString& name,
                                 const QString& resource) {
    if (password.isEmpty()) {
        bar_->setValue(0);
        verdict_->setText(QStringLiteral("Пароль не задан"));
        return;
    }
    std::vector<std::string> words;
    AppendUserWords(name.toStdString(), words);
    AppendUserWords(resource.toStdString(), words);
    const Strength strength = EstimateStrength(password.toStdString(), words);
    const int bits = static_cast<int>(std::floor(strength.bits));
    bar_->setValue(std::clamp(bits, 1, kFullBarBits));
    bar_->setStyleSheet(
        QStringLiteral("QProgressBar::chunk { background: %1; }")
            .arg(QLatin1String(kLevelColours[static_cast<std::size_t>(strength.level)])));
    const std::string_view verdict = StrengthVerdict(strength.level);
    verdict_->setText(QStringLiteral("%1, %2 бит")
                          .arg(QString::fromUtf8(verdict.data(), qsizetype(verdict.size())))
                          .arg(bits));
}

QString StrengthMeter::verdictText() const {
    return verdict_->text();
}

int StrengthMeter::barValue() const {
    return bar_->value();
}

} // namespace vantrel
