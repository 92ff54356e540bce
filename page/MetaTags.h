#pragma once

#include <string>

// Reading the robots, description and keywords meta tags of a page with fixed
// markers (no parsing). Markers match in any letter case; values keep the
// page's bytes exactly, unstripped.

// True when the robots tag's content value holds NOINDEX in any case; a page
// without a robots tag is tested as a whole.
bool IsNoIndex(const std::string& text);

// The content value of the first description tag; "" when no content value
// follows the tag or it is unterminated; the whole text when there is no such tag.
std::string GetMetaDescription(const std::string& text);

// The content value of the first keywords tag, with the same fallbacks.
std::string GetMetaKeywords(const std::string& text);

// True when the text holds the keywords tag's marker (in any letter case).
bool HasKeywordsTag(const std::string& text);
