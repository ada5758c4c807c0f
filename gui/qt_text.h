// The one crossing between the program's CP932 text and Qt's strings.
#pragma once

#include <QString>
#include <string>

namespace fennel {

QString Qs(const std::string& cp932);
std::string Cp(const QString& text);

}  // namespace fennel
