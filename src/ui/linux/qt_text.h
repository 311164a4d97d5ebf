#pragma once
// Texts between the program and Qt's widgets: 8-bit texts (records, data files) in
// the program's code page, wide texts (the user interface) as they are.

#include "base/text.h"

#include <QString>

#include <string>

namespace nearbeam {

inline QString qtText(const std::wstring& text) {
    return QString::fromStdWString(text);
}
inline QString qtText(const std::string& ansi) {
    return QString::fromStdWString(widen(ansi));
}
inline std::string ansiText(const QString& text) {
    return narrow(text.toStdWString());
}
inline std::wstring wideText(const QString& text) {
    return text.toStdWString();
}

} // namespace nearbeam
