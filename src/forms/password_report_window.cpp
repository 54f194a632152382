#include "forms/password_report_window.h"

#include "formats/record_rules.h"
#include "forms/qt_text.h"
#include "health/password_report.h"
#include "session/expiry.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vantrel {

namespace {

constexpr int kRecordIdRole = Qt::UserRole;

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TfmPasswordReport::TfmPasswordReport(const Session& session, bool showPasswords,
                                     std::function<void(RecordId)> openRecord, QWidget* parent)
    : QDialog(parent), session_(session), showPasswords_(showPasswords),
      openRecord_(std::move(openRecord)) {
    setObjectName(QStringLiteral("fmPasswordReport"));
    setWindowTitle(QStringLiteral("Отчёт о паролях"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    if (const auto list = BreachListFileSetting(session_.settingsFile())) {
        try {
            breaches_.emplace(*list);
        } catch (const BreachListError& error) {
            breachProblem_ = fromUtf8(error.russianText());
        }
    }
    rules_ = new QLabel(this);
    rules_->setObjectName(QStringLiteral("lbRules"));
    rules_->setWordWrap(true);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("lbSummary"));
    summary_->setWordWrap(true); // a breach list problem names its file

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("tvReport"));
    tree_->setAccessibleName(QStringLiteral("Отчёт о паролях"));
    tree_->setUniformRowHeights(true);
    tree_->setRootIsDecorated(true);
    tree_->setAlternatingRowColors(true);
    QStringList headers{QStringLiteral("№"), QStringLiteral("Имя"), QStringLiteral("Ресурс")};
    if (showPasswords_) {
        headers << QStringLiteral("Пароль");
    }
    headers << QStringLiteral("Причина");
    tree_->setHeaderLabels(headers);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const QVariant id = item->data(0, kRecordIdRole);
        if (id.isValid()) {
            openLine(id.value<RecordId>());
        }
    });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close =
        buttons->addButton(QStringLiteral("&Закрыть"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("btClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rules_);
    layout->addWidget(summary_);
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons);
    resize(640, 420);
    rebuild();
}

void TfmPasswordReport::rebuild() {
    // Estimating a long list takes a moment.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    tree_->clear();
    const RecordList& records = session_.records();
    PasswordReport report;
    try {
        report = BuildPasswordReport(records, LocalToday(), &estimates_,
                                     breaches_ ? &*breaches_ : nullptr);
    } catch (const BreachListError& error) {
        // A damaged list gives no answers: the report goes on without it.
        breachProblem_ = fromUtf8(error.russianText());
        breaches_.reset();
        report = BuildPasswordReport(records, LocalToday(), &estimates_);
    }
    QList<QTreeWidgetItem*> groups;
    for (const ReportGroup group : report.shownGroups()) {
        const ReportLines& lines = report.lines(group);
        auto* heading = new QTreeWidgetItem(QStringList{
            QStringLiteral("%1 (%2)").arg(utf8(ReportGroupTitle(group))).arg(lines.size())});
        heading->setFirstColumnSpanned(true);
        QFont bold = heading->font(0);
        bold.setBold(true);
        heading->setFont(0, bold);
        QList<QTreeWidgetItem*> children;
        children.reserve(static_cast<qsizetype>(lines.size()));
        for (const ReportLine& line : lines) {
            const Record& record = records[line.row];
            QStringList cells{fromCp1251(record.number),
                              fromCp1251(RecordFieldText(record, kFieldName)),
                              fromCp1251(RecordFieldText(record, kFieldResource))};
            if (showPasswords_) {
                cells << fromCp1251(RecordPassword(record));
            }
            cells << fromUtf8(ReportReason(group, line));
            auto* item = new QTreeWidgetItem(cells);
            item->setData(0, kRecordIdRole, QVariant::fromValue(session_.idAt(line.row)));
            children.append(item);
        }
        heading->addChildren(children);
        groups.append(heading);
    }
    tree_->addTopLevelItems(groups);
    for (QTreeWidgetItem* heading : groups) {
        heading->setExpanded(heading->childCount() > 0);
    }
    for (int column = 0; column + 1 < tree_->columnCount(); ++column) {
        tree_->resizeColumnToContents(column);
    }
    rules_->setText(
        QStringLiteral("Слабые: оценка надёжности ниже %1 бит. Повторяющиеся: один и тот же "
                       "пароль в нескольких записях. Истёкшие: окончание действия раньше "
                       "сегодняшнего дня.%2 Двойной щелчок по строке открывает запись.")
            .arg(static_cast<int>(kReportWeakBelowBits))
            .arg(report.breachesChecked
                     ? QStringLiteral(" Скомпрометированные: пароль есть в списке утечек.")
                     : QString()));
    QString summary = report.empty()
                          ? QStringLiteral("Записей: %1, замечаний нет.").arg(records.size())
                          : QStringLiteral("Записей: %1, с замечаниями: %2.")
                                .arg(records.size())
                                .arg(report.flaggedRecords(records.size()));
    if (!breachProblem_.isEmpty()) {
        summary += QStringLiteral("\n") + breachProblem_ + QStringLiteral(".");
    }
    summary_->setText(summary);
}

void TfmPasswordReport::openLine(RecordId id) {
    if (openRecord_) {
        openRecord_(id);
    }
    rebuild();
}

} // namespace vantrel
