#pragma once

#include <string>

// The raw text between the first <title> and the first </title> after it, in
// the page's own letter case, mark-up and spacing included; "" without a
// closing tag. Without an opening tag the title runs from the seventh byte
// (0-based offset 6).
std::string GetTitle(const std::string& text);
