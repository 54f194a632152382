#include "forms/qt_prompts.h"

#include "forms/desktop.h"
#include "forms/qt_text.h"
#include "session/file_commands.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

#include <utility>

namespace vantrel {

QString messageText(const std::string& text) {
    QString result = QString::fromStdString(text);
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

namespace {

Prompts::Answer answerOf(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return Prompts::Answer::Ok;
    case QMessageBox::Yes:
        return Prompts::Answer::Yes;
    case QMessageBox::No:
        return Prompts::Answer::No;
    default:
        return Prompts::Answer::Cancel;
    }
}

// The buttons keep their standard English texts whatever translation of Qt is
// loaded: the message boxes show exactly these.
void englishButtons(QMessageBox& box) {
    const std::pair<QMessageBox::StandardButton, const char*> texts[] = {
        {QMessageBox::Yes, "&Yes"},
        {QMessageBox::No, "&No"},
        {QMessageBox::Ok, "OK"},
        {QMessageBox::Cancel, "Cancel"},
    };
    for (const auto& [button, text] : texts) {
        if (QAbstractButton* shown = box.button(button)) {
            shown->setText(QString::fromLatin1(text));
        }
    }
}

// Refuses a character that 1251 cannot hold: such a password can never be
// used, so the keystroke is not taken rather than replaced.
class Cp1251Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        try {
            SecretString bytes(toCp1251(input));
            return Acceptable;
        } catch (const Error&) {
            return Invalid;
        }
    }
};

int run(QMessageBox& box) {
    englishButtons(box);
    return box.exec();
}

} // namespace

Prompts::Answer QtPrompts::confirm(const std::string& text, Buttons buttons) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), messageText(text),
                    QMessageBox::NoButton, parent_);
    switch (buttons) {
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    return answerOf(run(box));
}

void QtPrompts::inform(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kProgramTitle), messageText(text),
                    QMessageBox::Ok, parent_);
    run(box);
}

Prompts::Answer QtPrompts::ask(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), messageText(text),
                    QMessageBox::Ok | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return answerOf(run(box));
}

void QtPrompts::showError(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kProgramTitle),
                    messageText(ErrorBoxText(text)), QMessageBox::Ok, parent_);
    run(box);
}

std::optional<std::filesystem::path> QtPrompts::openFileName() {
    QFileDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("odMain"));
    ShowFileDetailsByDefaultLocale(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // the file need not exist
    dialog.setDefaultSuffix(QStringLiteral("vtr"));
    dialog.setNameFilters({QStringLiteral("Файлы Vantrel (*.vtr)"),
                           QStringLiteral("Текстовые файлы (*.txt)"),
                           // "*" and not "*.*": on this system a name needs no dot.
                           QStringLiteral("Все файлы (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

std::optional<std::filesystem::path>
QtPrompts::saveFileName(const std::filesystem::path& suggested) {
    const QString recordFiles = QStringLiteral("Файлы Vantrel (*.vtr)");
    const QString textFiles = QStringLiteral("текстовые файлы (*.txt)");
    QFileDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("sdMain"));
    ShowFileDetailsByDefaultLocale(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("vtr"));
    // The file commands ask before a file is replaced, once the extension is
    // settled.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters({recordFiles, textFiles});
    // A name typed without an extension gets the one of the type chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, textFiles](const QString& filter) {
                         dialog.setDefaultSuffix(filter == textFiles ? QStringLiteral("txt")
                                                                     : QStringLiteral("vtr"));
                     });
    if (suggested.empty()) {
        dialog.selectFile(QStringLiteral("untitled"));
    } else {
        dialog.setDirectory(QString::fromStdString(suggested.parent_path().string()));
        dialog.selectFile(QString::fromStdString(suggested.filename().string()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

namespace {

// The file-type entry of each layout in the export's save dialog.
QString csvFilter(CsvLayout layout) {
    switch (layout) {
    case CsvLayout::Vantrel:
        return QStringLiteral("CSV Vantrel Lite (*.csv)");
    case CsvLayout::KeePassXc:
        return QStringLiteral("CSV KeePassXC (*.csv)");
    case CsvLayout::Bitwarden:
        return QStringLiteral("CSV Bitwarden (*.csv)");
    case CsvLayout::Chrome:
        return QStringLiteral("CSV Chrome (*.csv)");
    case CsvLayout::Firefox:
        break;
    }
    return QStringLiteral("CSV Firefox (*.csv)");
}

constexpr CsvLayout kWritableCsvLayouts[] = {CsvLayout::Vantrel, CsvLayout::KeePassXc,
                                             CsvLayout::Bitwarden, CsvLayout::Chrome};

} // namespace

std::optional<std::filesystem::path> QtPrompts::openCsvFileName() {
    QFileDialog dialog(parent_, QStringLiteral("Импорт из CSV"));
    dialog.setObjectName(QStringLiteral("odCsv"));
    ShowFileDetailsByDefaultLocale(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Файлы CSV (*.csv)"), QStringLiteral("Все файлы (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

std::optional<Prompts::CsvExportChoice>
QtPrompts::saveCsvFileName(const std::filesystem::path& suggested, CsvLayout layout) {
    QFileDialog dialog(parent_, QStringLiteral("Экспорт в CSV"));
    dialog.setObjectName(QStringLiteral("sdCsv"));
    ShowFileDetailsByDefaultLocale(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    // The export asks before a file is replaced.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    QStringList filters;
    for (const CsvLayout each : kWritableCsvLayouts) {
        filters << csvFilter(each);
    }
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(csvFilter(layout));
    if (suggested.empty()) {
        dialog.selectFile(QStringLiteral("records.csv"));
    } else {
        dialog.setDirectory(QString::fromStdString(suggested.parent_path().string()));
        dialog.selectFile(QString::fromStdString(suggested.filename().string()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    CsvExportChoice choice{std::filesystem::path(dialog.selectedFiles().first().toStdString()),
                           layout};
    for (const CsvLayout each : kWritableCsvLayouts) {
        if (dialog.selectedNameFilter() == csvFilter(each)) {
            choice.layout = each;
        }
    }
    return choice;
}

std::optional<SecretString> QtPrompts::askPassword(const std::string& text) {
    QDialog dialog(parent_, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowCloseButtonHint);
    dialog.setObjectName(QStringLiteral("fmRepeatPwd"));
    dialog.setWindowTitle(QString::fromUtf8(kProgramTitle));
    auto* label = new QLabel(messageText(text), &dialog);
    auto* field = new QLineEdit(&dialog);
    field->setObjectName(QStringLiteral("edRepeatPwd"));
    field->setEchoMode(QLineEdit::Password);
    // Hidden characters look as in the login dialog's password field.
    field->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    field->setValidator(new Cp1251Validator(field));
    label->setBuddy(field);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    field->setFocus();

    std::optional<SecretString> typed;
    if (dialog.exec() == QDialog::Accepted) {
        typed.emplace(toCp1251(field->text()));
    }
    return typed;
}

Prompts::DiskChangeAnswer QtPrompts::askDiskChange(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), messageText(text),
                    QMessageBox::NoButton, parent_);
    QPushButton* reload = box.addButton(QString::fromUtf8(kReloadButton), QMessageBox::AcceptRole);
    reload->setObjectName(QStringLiteral("btReload"));
    QPushButton* copy = box.addButton(QString::fromUtf8(kSaveCopyButton), QMessageBox::AcceptRole);
    copy->setObjectName(QStringLiteral("btSaveCopy"));
    QPushButton* cancel = box.addButton(QString::fromUtf8(kCancelButton), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btCancel"));
    // Neither answer that loses or moves work is the default.
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == reload) {
        return DiskChangeAnswer::Reload;
    }
    if (box.clickedButton() == copy) {
        return DiskChangeAnswer::SaveCopy;
    }
    return DiskChangeAnswer::Cancel;
}

} // namespace vantrel
