#pragma once

#include <QString>

#include <string>

// The GUI's one edge between QString and the core's 1251 bytes.
namespace vantrel {

// 1251 bytes -> QString.
QString fromCp1251(const std::string& bytes);
// QString -> 1251 bytes; throws vantrel::Error when a character has no 1251 form.
std::string toCp1251(const QString& text);
// UTF-8 (program messages, error texts) -> QString.
inline QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace vantrel
