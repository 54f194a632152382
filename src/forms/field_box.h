#pragma once

#include <QComboBox>

namespace vantrel {

// An editable drop-down field named for assistive technology by its label
// alone. Qt names an editable combo box on this platform by its text, which
// would read a password out to every client of the accessibility bus; here the
// name is the accessible name set on the box, and the text stays its value.
class FieldComboBox : public QComboBox {
    Q_OBJECT
public:
    FieldComboBox(const QString& accessibleName, QWidget* parent = nullptr);
};

} // namespace vantrel
