#include "forms/record_edit.h"

#include "forms/clipboard_guard.h"

#include "cipher/random.h"
#include "formats/record_rules.h"
#include "forms/calendar_dialog.h"
#include "forms/date_edit.h"
#include "forms/field_box.h"
#include "forms/icons.h"
#include "forms/qt_text.h"
#include "forms/strength_meter.h"
#include "generator/password_generator.h"
#include "session/record_edit_rules.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

namespace vantrel {

namespace {

constexpr int kFieldWidth = 137;
constexpr int kBottomPanelHeight = 41;
// The part of a hint after "|" goes to the status bar; a hint without "|"
// serves as tooltip and status text alike.
constexpr const char* kLongHintProperty = "vantrelLongHint";

QString shortHint(const QString& hint) {
    return hint.section(QLatin1Char('|'), 0, 0);
}

QString longHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

void setHint(QWidget* widget, const QString& hint, bool tooltip) {
    widget->setProperty(kLongHintProperty, longHint(hint));
    if (tooltip) {
        widget->setToolTip(shortHint(hint));
    }
}

// The long hint of the widget or of its nearest enclosing widget with one.
QString statusHintFor(QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        const QVariant hint = widget->property(kLongHintProperty);
        if (hint.isValid()) {
            return hint.toString();
        }
        if (widget->isWindow()) {
            break;
        }
    }
    return QString();
}

// A field is one line of text in the record file: line breaks and other
// control characters arriving by paste are dropped (they would make the saved
// file look damaged), everything else is kept as typed, TAB included.
class SingleLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override {
        for (qsizetype i = input.size(); i-- > 0;) {
            if (input[i].unicode() < 0x20 && input[i] != QLatin1Char('\t')) {
                input.remove(i, 1);
                if (i < position) {
                    --position;
                }
            }
        }
        return Acceptable;
    }
};

// A number box that changes only through its arrows and the Up and Down keys.
class LengthBox : public QSpinBox {
public:
    explicit LengthBox(QWidget* parent) : QSpinBox(parent) {
        setRange(kMinGeneratedLength, kMaxGeneratedLength);
        setWrapping(false);
        lineEdit()->setReadOnly(true);
    }
};

QComboBox* fieldBox(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* box = new FieldComboBox(accessibleName, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumWidth(kFieldWidth);
    box->setValidator(new SingleLineValidator(box));
    // Completion must not change the letter case of what is typed.
    box->completer()->setCaseSensitivity(Qt::CaseSensitive);
    return box;
}

QToolButton* pictureButton(QWidget* parent, const char* name, const QIcon& icon,
                           const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAccessibleName(longHint(hint));
    setHint(button, hint, true);
    return button;
}

QPushButton* captionButton(QWidget* parent, const char* name, const QString& caption,
                           const QString& hint) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    setHint(button, hint, true);
    return button;
}

QCheckBox* optionBox(QWidget* parent, const char* name, const QString& hint,
                     const QString& accessibleName) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(accessibleName);
    setHint(box, hint, false);
    return box;
}

// A character set as a check box caption: "&" would be a mnemonic mark.
QString setCaption(std::string_view characters) {
    return QString::fromLatin1(characters.data(), static_cast<qsizetype>(characters.size()))
        .replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// The record field under a field name for messages.
std::string fieldText(const QString& text, const char* caption) {
    try {
        return toCp1251(text);
    } catch (const Error& error) {
        throw Error(std::string(caption) + ": " + error.what());
    }
}

} // namespace

TfmRecordEdit::TfmRecordEdit(Session& session, Prompts& prompts, std::optional<RecordId> record,
                             QWidget* parent)
    : QDialog(parent), session_(session), prompts_(prompts), record_(record) {
    setObjectName(QStringLiteral("fmRecordEdit"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    pcMain_ = new QTabWidget(this);
    pcMain_->setObjectName(QStringLiteral("pcMain"));
    tsMain_ = new QWidget;
    tsMain_->setObjectName(QStringLiteral("tsMain"));
    tsGenSettings_ = new QWidget;
    tsGenSettings_->setObjectName(QStringLiteral("tsGenSettings"));
    pcMain_->addTab(tsMain_, QStringLiteral("Основное"));
    pcMain_->addTab(tsGenSettings_, QStringLiteral("Настройки генератора"));
    buildMainTab(tsMain_);
    buildSettingsTab(tsGenSettings_);

    auto* btOk = new QPushButton(QStringLiteral("&Ok"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    auto* btCancel = new QPushButton(QStringLiteral("&Отмена"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    for (QPushButton* button : {btOk, btCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(btOk, &QPushButton::clicked, this, &TfmRecordEdit::okClick);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("pnBottom"));
    bottom->setMinimumHeight(kBottomPanelHeight);
    auto* buttons = new QHBoxLayout(bottom);
    buttons->addStretch(1);
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    buttons->addStretch(1);

    sbMain_ = new QStatusBar(this);
    sbMain_->setObjectName(QStringLiteral("sbMain"));
    sbMain_->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(0);
    layout->addWidget(pcMain_);
    layout->addWidget(bottom);
    layout->addWidget(sbMain_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(cbName_, cbPwd_);
    setTabOrder(cbPwd_, cbResurs_);
    setTabOrder(cbResurs_, ceStartDate_);
    setTabOrder(ceStartDate_, ceEndDate_);
    setTabOrder(ceEndDate_, edNote_);
    setTabOrder(edNote_, btOk);
    setTabOrder(btOk, btCancel);

    wireOptions();
    setUpHints();
    if (const Record* edited = record_ ? session_.find(*record_) : nullptr) {
        loadRecord(*edited);
    }
}

void TfmRecordEdit::buildMainTab(QWidget* page) {
    auto* gbMain = new QGroupBox(QStringLiteral("Основные параметры"), page);
    gbMain->setObjectName(QStringLiteral("gbMain"));
    cbName_ = fieldBox(gbMain, "cbName", QStringLiteral("Имя"));
    cbPwd_ = fieldBox(gbMain, "cbPwd", QStringLiteral("Пароль"));
    cbResurs_ = fieldBox(gbMain, "cbresurs", QStringLiteral("Ресурс"));

    auto* btName = captionButton(
        gbMain, "btName", QStringLiteral("Имя:"),
        QStringLiteral("Нажмите для генерации имени|При нажатии кнопки в поле ввода имени будет "
                       "помещен сгенерированный набор символов"));
    auto* btPwd = captionButton(gbMain, "btPwd", QStringLiteral("Пароль:"),
                                QStringLiteral("Нажмите для генерации пароля"));
    auto* lbResurs = new QLabel(QStringLiteral("Ресурс:"), gbMain);
    lbResurs->setObjectName(QStringLiteral("lbResurs"));
    lbResurs->setBuddy(cbResurs_);
    connect(btName, &QPushButton::clicked, this, [this] { generateInto(cbName_); });
    connect(btPwd, &QPushButton::clicked, this, [this] { generateInto(cbPwd_); });

    struct Row {
        QWidget* caption;
        QComboBox* field;
        QToolButton* copy;
        QToolButton* paste;
    };
    const Row rows[] = {
        {btName, cbName_,
         pictureButton(gbMain, "btCopyName", commandIcon(CommandIcon::Copy),
                       QStringLiteral("Копировать|Копировать имя в буфер")),
         pictureButton(gbMain, "btPasteName", commandIcon(CommandIcon::Paste),
                       QStringLiteral("Вставить|Вставить имя из буфера"))},
        {btPwd, cbPwd_,
         pictureButton(gbMain, "btCopyPwd", commandIcon(CommandIcon::Copy),
                       QStringLiteral("Копировать|Копировать пароль в буфер")),
         pictureButton(gbMain, "btnPastePwd", commandIcon(CommandIcon::Paste),
                       QStringLiteral("Вставить|Вставить пароль из буфера"))},
        {lbResurs, cbResurs_,
         pictureButton(gbMain, "btnCopyResurs", commandIcon(CommandIcon::Copy),
                       QStringLiteral("Копировать|Копироватьимя ресурса в буфер")),
         pictureButton(gbMain, "btnPasteResurs", commandIcon(CommandIcon::Paste),
                       QStringLiteral("Вставить|Вставить имя ресурса из буфера"))},
    };
    auto* grid = new QGridLayout(gbMain);
    grid->setHorizontalSpacing(2);
    // The strength meter takes grid row 2, under the password.
    meter_ = new StrengthMeter(gbMain);
    grid->addWidget(meter_, 2, 1, 1, 3);
    for (int i = 0; i < 3; ++i) {
        const Row& row = rows[i];
        const int at = i < 2 ? i : i + 1;
        grid->addWidget(row.caption, at, 0);
        grid->addWidget(row.field, at, 1);
        grid->addWidget(row.copy, at, 2);
        grid->addWidget(row.paste, at, 3);
        QComboBox* field = row.field;
        connect(row.copy, &QToolButton::clicked, this, [this, field] { copyFrom(field); });
        connect(row.paste, &QToolButton::clicked, this, [this, field] { pasteInto(field); });
        // Typing, Generate and Paste all change the edit text.
        connect(field, &QComboBox::editTextChanged, this, [this] {
            meter_->showPassword(cbPwd_->currentText(), cbName_->currentText(),
                                 cbResurs_->currentText());
        });
    }
    grid->setColumnStretch(1, 1);

    auto* gbExpired = new QGroupBox(QStringLiteral("Срок действия"), page);
    gbExpired->setObjectName(QStringLiteral("gbExpired"));
    ceStartDate_ = new DateEdit(prompts_, gbExpired);
    ceStartDate_->setObjectName(QStringLiteral("ceStartDate"));
    ceEndDate_ = new DateEdit(prompts_, gbExpired);
    ceEndDate_->setObjectName(QStringLiteral("ceEndDate"));
    ceStartDate_->setAccessibleName(QStringLiteral("Начало действия"));
    ceEndDate_->setAccessibleName(QStringLiteral("Окончание действия"));
    auto* lbStartDate = new QLabel(QStringLiteral("с"), gbExpired);
    lbStartDate->setObjectName(QStringLiteral("lbStartDate"));
    lbStartDate->setBuddy(ceStartDate_);
    auto* lbEndDate = new QLabel(QStringLiteral("по"), gbExpired);
    lbEndDate->setObjectName(QStringLiteral("lbEndDate"));
    lbEndDate->setBuddy(ceEndDate_);
    auto* dates = new QHBoxLayout(gbExpired);
    dates->addWidget(lbStartDate);
    dates->addWidget(ceStartDate_, 1);
    dates->addSpacing(6);
    dates->addWidget(lbEndDate);
    dates->addWidget(ceEndDate_, 1);
    for (DateEdit* field : {ceStartDate_, ceEndDate_}) {
        connect(field, &DateEdit::buttonClicked, this,
                [this, field] { RunCommand(prompts_, [field] { pickDate(*field); }); });
    }

    auto* gbNote = new QGroupBox(QStringLiteral("Примечание"), page);
    gbNote->setObjectName(QStringLiteral("gbNote"));
    edNote_ = new QLineEdit(gbNote);
    edNote_->setObjectName(QStringLiteral("edNote"));
    edNote_->setAccessibleName(QStringLiteral("Примечание"));
    edNote_->setValidator(new SingleLineValidator(edNote_));
    auto* note = new QVBoxLayout(gbNote);
    note->addWidget(edNote_);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(gbMain);
    layout->addWidget(gbExpired);
    layout->addWidget(gbNote);
    layout->addStretch(1);
}

void TfmRecordEdit::buildSettingsTab(QWidget* page) {
    auto* gbCharset = new QGroupBox(QStringLiteral("Используемые символы"), page);
    gbCharset->setObjectName(QStringLiteral("gbCharset"));
    setHint(gbCharset, QStringLiteral("Здесь можно выбрать набор символов"), false);
    cbBigChar_ = optionBox(gbCharset, "cbBigChar", QStringLiteral("Заглавны латинские"),
                           QStringLiteral("Заглавные латинские буквы"));
    cbSmallChar_ = optionBox(gbCharset, "cbSmallChar", QStringLiteral("Маленькие латинские"),
                             QStringLiteral("Маленькие латинские буквы"));
    cbDigit_ = optionBox(gbCharset, "cbDigit", QStringLiteral("Цифры"), QStringLiteral("Цифры"));
    cbSign_ = optionBox(gbCharset, "cbSign", QStringLiteral("Знаки"), QStringLiteral("Знаки"));
    auto* sets = new QVBoxLayout(gbCharset);
    for (QCheckBox* box : {cbBigChar_, cbSmallChar_, cbDigit_, cbSign_}) {
        sets->addWidget(box);
    }

    auto* gbNumber = new QGroupBox(QStringLiteral("Количество символов"), page);
    gbNumber->setObjectName(QStringLiteral("gbNumber"));
    setHint(gbNumber,
            QStringLiteral("Здесь можно выбрать количество символов в генерируемой строке"), false);
    edMinPwd_ = new LengthBox(gbNumber);
    edMinPwd_->setObjectName(QStringLiteral("edMinPwd"));
    edMaxPwd_ = new LengthBox(gbNumber);
    edMaxPwd_->setObjectName(QStringLiteral("edMaxPwd"));
    edMinPwd_->setAccessibleName(QStringLiteral("Количество символов от"));
    edMaxPwd_->setAccessibleName(QStringLiteral("Количество символов до"));
    auto* lbMinChar = new QLabel(QStringLiteral("от"), gbNumber);
    lbMinChar->setObjectName(QStringLiteral("lbMinChar"));
    lbMinChar->setBuddy(edMinPwd_);
    auto* lbMaxChar = new QLabel(QStringLiteral("до"), gbNumber);
    lbMaxChar->setObjectName(QStringLiteral("lbMaxChar"));
    lbMaxChar->setBuddy(edMaxPwd_);
    auto* lengths = new QHBoxLayout(gbNumber);
    lengths->addWidget(lbMinChar);
    lengths->addWidget(edMinPwd_);
    lengths->addSpacing(12);
    lengths->addWidget(lbMaxChar);
    lengths->addWidget(edMaxPwd_);
    lengths->addStretch(1);

    cbRight_ = optionBox(page, "cbRight",
                         QStringLiteral("Свойство работает, но отключено в данной компиляции"),
                         QStringLiteral("Не использовать похожие символы"));
    cbRight_->setText(QStringLiteral("Не использовать похожие символы"));
    cbRight_->setEnabled(false);
    cbDouble_ = new QCheckBox(QStringLiteral("Разрешить повтор символов в строке"), page);
    cbDouble_->setObjectName(QStringLiteral("cbDouble"));

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(gbCharset);
    layout->addWidget(gbNumber);
    layout->addWidget(cbRight_);
    layout->addWidget(cbDouble_);
    layout->addStretch(1);

    setTabOrder(cbBigChar_, cbSmallChar_);
    setTabOrder(cbSmallChar_, cbDigit_);
    setTabOrder(cbDigit_, cbSign_);
    setTabOrder(cbSign_, edMinPwd_);
    setTabOrder(edMinPwd_, edMaxPwd_);
    setTabOrder(edMaxPwd_, cbDouble_);
}

void TfmRecordEdit::wireOptions() {
    GeneratorOptions& options = session_.generatorOptions();
    const std::pair<QCheckBox*, bool*> flags[] = {
        {cbBigChar_, &options.BigChar}, {cbSmallChar_, &options.SmallChar},
        {cbDigit_, &options.Digit},     {cbSign_, &options.Sign},
        {cbRight_, &options.Right},     {cbDouble_, &options.Double},
    };
    for (const auto& [box, flag] : flags) {
        connect(box, &QCheckBox::toggled, this, [flag = flag](bool on) { *flag = on; });
    }
    // The minimum never exceeds the maximum: each box pulls the other along.
    connect(edMinPwd_, &QSpinBox::valueChanged, this, [this](int value) {
        session_.generatorOptions().MinPwd = value;
        if (value >= edMaxPwd_->value()) {
            edMaxPwd_->setValue(value);
        }
    });
    connect(edMaxPwd_, &QSpinBox::valueChanged, this, [this](int value) {
        session_.generatorOptions().MaxPwd = value;
        if (value <= edMinPwd_->value()) {
            edMinPwd_->setValue(value);
        }
    });
}

void TfmRecordEdit::setUpHints() {
    for (QWidget* widget : findChildren<QWidget*>()) {
        widget->installEventFilter(this);
    }
}

bool TfmRecordEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
        auto* widget = qobject_cast<QWidget*>(watched);
        QWidget* under = event->type() == QEvent::Enter ? widget : widget->parentWidget();
        sbMain_->showMessage(statusHintFor(under));
    }
    return QDialog::eventFilter(watched, event);
}

void TfmRecordEdit::loadRecord(const Record& record) {
    const auto field = [&record](RecordField which) {
        return RecordFieldText(record, static_cast<std::size_t>(which));
    };
    cbName_->setEditText(fromCp1251(field(kFieldName)));
    cbPwd_->setEditText(fromCp1251(field(kFieldPassword)));
    cbResurs_->setEditText(fromCp1251(field(kFieldResource)));
    ceStartDate_->setDateText(field(kFieldStartDate));
    ceEndDate_->setDateText(field(kFieldEndDate));
    edNote_->setText(fromCp1251(field(kFieldNote)));
}

void TfmRecordEdit::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        RunCommand(prompts_, [this] { formShow(); });
    }
}

void TfmRecordEdit::formShow() {
    ReseedFromClock();
    pcMain_->setCurrentWidget(tsMain_);
    cbName_->setFocus(Qt::OtherFocusReason);

    cbBigChar_->setText(setCaption(kCapitalLetters));
    cbSmallChar_->setText(setCaption(kSmallLetters));
    cbDigit_->setText(setCaption(kDigits));
    cbSign_->setText(setCaption(kSigns));

    // Each box stores its flag as it is set; copy the options first.
    const GeneratorOptions options = session_.generatorOptions();
    cbBigChar_->setChecked(options.BigChar);
    cbSmallChar_->setChecked(options.SmallChar);
    cbDigit_->setChecked(options.Digit);
    cbSign_->setChecked(options.Sign);
    cbRight_->setChecked(options.Right);
    cbDouble_->setChecked(options.Double);
    // The boxes bring the lengths into 1 ... 100.
    edMinPwd_->setValue(options.MinPwd);
    edMaxPwd_->setValue(options.MaxPwd);

    fillDropDownLists();

    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    }
}

void TfmRecordEdit::fillDropDownLists() {
    const std::pair<QComboBox*, RecordField> lists[] = {
        {cbName_, kFieldName}, {cbPwd_, kFieldPassword}, {cbResurs_, kFieldResource}};
    for (const auto& [box, field] : lists) {
        QStringList entries;
        for (const std::string& entry : DropDownEntries(session_.records(), field)) {
            entries.append(fromCp1251(entry));
        }
        std::sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
            const int order = QString::localeAwareCompare(a, b);
            return order != 0 ? order < 0 : a < b;
        });
        // Filling the list must not change the field's text.
        const QString text = box->currentText();
        box->clear();
        box->addItems(entries);
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
}

void TfmRecordEdit::generateInto(QComboBox* target) {
    const std::optional<std::string> generated =
        GeneratePassword(session_.generatorOptions(), edMinPwd_->value(), edMaxPwd_->value());
    if (!generated) {
        prompts_.inform(std::string(kEmptyPoolMessage));
        pcMain_->setCurrentWidget(tsGenSettings_);
        target->setEditText(QString());
        return;
    }
    target->setEditText(fromCp1251(*generated));
}

void TfmRecordEdit::copyFrom(QComboBox* field) {
    field->setFocus(Qt::OtherFocusReason);
    QLineEdit* edit = field->lineEdit();
    edit->selectAll();
    ClipboardGuard::instance().copy(edit->text());
}

void TfmRecordEdit::pasteInto(QComboBox* field) {
    const QString clip = QApplication::clipboard()->text();
    if (clip.isEmpty()) {
        return; // the line edit would delete the selection
    }
    QLineEdit* edit = field->lineEdit();
    edit->selectAll();
    edit->insert(clip);
}

void TfmRecordEdit::okClick() {
    RunCommand(prompts_, [this] {
        EditorTexts texts{fieldText(cbName_->currentText(), "Имя"),
                          fieldText(cbPwd_->currentText(), "Пароль"),
                          fieldText(cbResurs_->currentText(), "Ресурс"),
                          ceStartDate_->dateText(),
                          ceEndDate_->dateText(),
                          fieldText(edNote_->text(), "Примечание")};
        StoreEditorRecord(session_, record_, std::move(texts));
        accept();
    });
}

void TfmRecordEdit::copyOptionsBack() {
    GeneratorOptions& options = session_.generatorOptions();
    options.BigChar = cbBigChar_->isChecked();
    options.SmallChar = cbSmallChar_->isChecked();
    options.Digit = cbDigit_->isChecked();
    options.Sign = cbSign_->isChecked();
    options.Right = cbRight_->isChecked();
    options.Double = cbDouble_->isChecked();
    options.MinPwd = edMinPwd_->value();
    options.MaxPwd = edMaxPwd_->value();
}

void TfmRecordEdit::done(int result) {
    copyOptionsBack();
    QDialog::done(result);
}

void TfmRecordEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept(); // neither button is the default or the cancel button
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace vantrel
