#pragma once
// Conversions between the platform's UTF-8 strings and Qt's strings.

#include <QString>

#include <string>

namespace kp {

inline QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace kp
