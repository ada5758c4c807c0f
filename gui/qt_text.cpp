#include "gui/qt_text.h"

#include "platform/text.h"

namespace fennel {

QString Qs(const std::string& cp932) { return QString::fromStdString(Cp932ToUtf8(cp932)); }

std::string Cp(const QString& text) { return Utf8ToCp932(text.toStdString()); }

}  // namespace fennel
