#pragma once
// Windows-1252 document text <-> Qt strings, at the platform edge only.

#include <QString>
#include <string>
#include <string_view>

namespace quillet {

QString fromAnsi(std::string_view ansi);
// Characters without a Windows-1252 code are dropped, never garbled.
std::string toAnsi(const QString& s);

} // namespace quillet
