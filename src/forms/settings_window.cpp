#include "forms/settings_window.h"

#include "health/breach_list.h"
#include "session/clipboard_settings.h"
#include "session/lock_settings.h"
#include "session/prompts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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

    breachList_ = new QLineEdit(this);
    breachList_->setObjectName(QStringLiteral("edBreachListFile"));
    breachList_->setText(QString::fromStdString(
        BreachListFileSetting(settingsFile_).value_or(std::filesystem::path()).string()));
    breachList_->setPlaceholderText(QStringLiteral("не задан"));
    breachList_->setToolTip(QStringLiteral(
        "Файл строк «SHA1:число» в порядке хешей; отчёт о паролях ищет в нём пароли записей"));
    breachList_->setMinimumWidth(breachList_->fontMetrics().averageCharWidth() * 36);
    auto* browse = new QPushButton(QStringLiteral("Обзор…"), this);
    browse->setObjectName(QStringLiteral("btBreachListFile"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getOpenFileName(
            this, QStringLiteral("Список скомпрометированных паролей"), breachList_->text(),
            QStringLiteral("Текстовые файлы (*.txt);;Все файлы (*)"));
        if (!chosen.isEmpty()) {
            breachList_->setText(chosen);
        }
    });
    auto* breachRow = new QHBoxLayout;
    breachRow->addWidget(breachList_);
    breachRow->addWidget(browse);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Очищать буфер обмена через:"), clipboardSeconds_);
    form->addRow(QStringLiteral("Блокировать при бездействии через:"), lockSeconds_);
    form->addRow(lockOnScreenLock_);
    form->addRow(QStringLiteral("Список скомпрометированных паролей:"), breachRow);

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
        // First: a path the settings file cannot hold stops the rest.
        SaveBreachListFileSetting(breachList_->text().trimmed().toStdString(), settingsFile_);
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
