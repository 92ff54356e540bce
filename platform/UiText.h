#pragma once

#include <QString>

#include <string>

// The one crossing between the core's byte strings and the widgets' text.

// Bytes shown in a widget: read as UTF-8 when they are valid UTF-8, else as Latin-1.
QString ToUi(const std::string& bytes);

// Text typed into a widget, as the core stores it: UTF-8 bytes.
std::string FromUi(const QString& text);
