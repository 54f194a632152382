#include "forms/settings_window.h"

#include "session/clipboard_settings.h"
#include "session/lock_settings.h"
#include "session/prompts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vantrel {

namespace {

QSpinBox* secondsBox(QWidget* parent, const char* name, int maximum, int value) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, maximum);
    box->setSuffix(QStringLiteral(" с"));
    box->setSpecialValueText(QStringLiteral("никогда"));
    box->setValue(value);
    return box;
}

} // namespace

TfmSettings::TfmSettings(std::filesystem::path settingsFile, Prompts& prompts, QWidget* parent)
    : QDialog(parent), settingsFile_(std::move(settingsFile)), prompts_(prompts) {
    setObjectName(QStringLiteral("fmSettings"));
    setWindowTitle(QStringLiteral("Параметры"));

    const ClipboardDelay clipboard = LoadClipboardSeconds(settingsFile_);
    const LockSettings lock = LoadLockSettings(settingsFile_);

    clipboardSeconds_ =
        secondsBox(this, "seClipboardSeconds", kMaxClipboardSeconds, clipboard.seconds);
    clipboardSeconds_->setToolTip(
        QStringLiteral("Через сколько секунд скопированный пароль убирается из буфера обмена"));
    lockSeconds_ = secondsBox(this, "seLockSeconds", kMaxLockSeconds, lock.idleSeconds);
    lockSeconds_->setToolTip(QStringLiteral(
        "Через сколько секунд без нажатий клавиш и движений мыши программа блокируется"));
    lockOnScreenLock_ =
        new QCheckBox(QStringLiteral("Блокировать при блокировке экрана и перед сном"), this);
    lockOnScreenLock_->setObjectName(QStringLiteral("cbLockOnScreenLock"));
    lockOnScreenLock_->setChecked(lock.onScreenLock);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Очищать буфер обмена через:"), clipboardSeconds_);
    form->addRow(QStringLiteral("Блокировать при бездействии через:"), lockSeconds_);
    form->addRow(lockOnScreenLock_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfmSettings::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfmSettings::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfmSettings::accept() {
    const bool saved = RunCommand(prompts_, [this] {
        SaveClipboardSeconds(clipboardSeconds_->value(), settingsFile_);
        LockSettings lock;
        lock.idleSeconds = lockSeconds_->value();
        lock.onScreenLock = lockOnScreenLock_->isChecked();
        SaveLockSettings(lock, settingsFile_);
    });
    if (saved) {
        QDialog::accept();
    }
}

} // namespace vantrel
