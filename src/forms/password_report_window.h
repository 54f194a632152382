#pragma once

#include "health/password_report.h"
#include "session/session.h"

#include <QDialog>

#include <functional>

class QLabel;
class QTreeWidget;

namespace vantrel {

// "Отчёт о паролях": the records of the session under "Слабые",
// "Повторяющиеся", "Истёкшие" and "Пустой пароль", each line with number,
// name, resource and reason. A double-click on a line hands its record to
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
    QLabel* summary_ = nullptr;
    QTreeWidget* tree_ = nullptr;
};

} // namespace vantrel
