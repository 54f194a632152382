#include "forms/field_box.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>

namespace vantrel {

namespace {

class AccessibleFieldBox : public QAccessibleWidget {
public:
    explicit AccessibleFieldBox(QWidget* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        const auto* box = static_cast<const QComboBox*>(widget());
        switch (t) {
        case QAccessible::Name:
            return box->accessibleName();
        case QAccessible::Value:
            return box->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface* fieldBoxFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("vantrel::FieldComboBox") && object->isWidgetType()) {
        return new AccessibleFieldBox(static_cast<QWidget*>(object));
    }
    return nullptr;
}

} // namespace

FieldComboBox::FieldComboBox(const QString& accessibleName, QWidget* parent) : QComboBox(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(fieldBoxFactory);
        return true;
    }();
    (void)installed;
    setEditable(true);
    setAccessibleName(accessibleName);
    // The edit inside is what has the keyboard focus: it carries the name too.
    lineEdit()->setAccessibleName(accessibleName);
}

} // namespace vantrel
