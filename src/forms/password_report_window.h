#pragma once

#include "health/breach_list.h"
#include "health/password_report.h"
#include "session/session.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QTreeWidget;

namespace vantrel {

// "Отчёт о паролях": the records of the session under "Слабые",
// "Повторяющиеся", "Истёкшие" and "Пустой пароль", and "Скомпрометированные"
// when the settings file names a breach list (BreachListFile), each line with
// number, name, resource and reason. A list that cannot be read is named in
// the summary, and the report goes on without it. A double-click on a line hands its record to
// `openRecord` (the main window's editor) and builds the report again.
// Passwords get a column only when `showPasswords` is on.
class TfmPasswordReport : public QDialog {
    Q_OBJECT
public:
    TfmPasswordReport(const Session& session, bool showPasswords,
                      std::function<void(RecordId)> openRecord, QWidget* parent = nullptr);

    // Builds the report anew from the session's records.
    void rebuild();
    QTreeWidget* tree() const { return tree_; }

private:
    void openLine(RecordId id);

    const Session& session_;
    bool showPasswords_;
    std::function<void(RecordId)> openRecord_;
    StrengthCache estimates_;
    std::optional<BreachList> breaches_;
    QString breachProblem_; // why the breach list is not checked
    QLabel* rules_ = nullptr;
    QLabel* summary_ = nullptr;
    QTreeWidget* tree_ = nullptr;
};

} // namespace vantrel
