#pragma once

#include <string>

// StripHtml with the separator of the global Settings record.
std::string StripHtml(const std::string& text);
