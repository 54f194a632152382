#include "forms/qt_text.h"

#include "base/cp1251.h"

namespace vantrel {

QString fromCp1251(const std::string& bytes) {
    return QString::fromStdString(Cp1251ToUtf8(bytes));
}

std::string toCp1251(const QString& text) {
    return Utf8ToCp1251(text.toStdString());
}

} // namespace vantrel
