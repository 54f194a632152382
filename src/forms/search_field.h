#pragma once

#include <QLineEdit>

namespace vantrel {

// The search field over the record list. Esc clears it; Esc, Return and the
// Down key hand the focus back to the list (leaveRequested).
class SearchField : public QLineEdit {
    Q_OBJECT
public:
    explicit SearchField(QWidget* parent = nullptr);

signals:
    void leaveRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace vantrel
