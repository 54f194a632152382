#include "forms/search_field.h"

#include <QKeyEvent>

namespace vantrel {

SearchField::SearchField(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("edSearch"));
    setPlaceholderText(QStringLiteral("Поиск (Ctrl+F)"));
    setAccessibleName(QStringLiteral("Поиск"));
    setToolTip(QStringLiteral("Поиск по номеру, имени, ресурсу и описанию"));
    setClearButtonEnabled(true);
}

void SearchField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        clear();
        [[fallthrough]];
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        event->accept();
        emit leaveRequested();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

} // namespace vantrel
