#pragma once

#include "settings/Settings.h"

#include <string>
#include <string_view>

// The acceptance tests and the record of one page, as pure functions over the
// page's analysed texts. Settings lists hold their entries in upper case.

// Matching stops at this many bytes of the page text for the meta values and
// the body text.
constexpr int AnalysedLength = 10000;

// The analysed start of the page text: its first AnalysedLength bytes, moved
// back to a character's first byte as the field cuts below are.
std::string AnalysedHead(const std::string& text);

// True when the stripped title holds an error-page word ("404", "not found",
// "error", ...) in any letter case, also inside a longer word.
bool IsErrorPageTitle(const std::string& title);
// The first error-page word the title holds, in lower case; empty for none.
std::string_view ErrorPageWord(const std::string& title);

// "Keywords Required": true when `head` (the analysed start of the page)
// holds a keywords tag whose stripped value has a character other than a blank.
bool HasUsableKeywords(const std::string& head, const std::string& strippedKeywords);

// Every cut below is one of bytes that moves back to a character's first byte
// rather than split a well-formed UTF-8 sequence (Utf8CutLength).

// The title cut to `cutoff` bytes followed by "..." when it is longer.
std::string TitleField(const std::string& title, int cutoff);

// True when the description field comes from the body text: `metaFirst` is
// off, or the meta description has fewer than 10 characters.
bool NeedsBodyText(const std::string& description, bool metaFirst);

// The meta description when `metaFirst` is on and it has at least 10
// characters, else the body text; either cut to `descMax` bytes.
std::string DescriptionField(
    const std::string& description, const std::string& bodyText, bool metaFirst, int descMax);

// The keywords cut to 75 bytes.
std::string KeywordsField(const std::string& keywords);

// True when the title field is worth a record: it sorts after two blanks
// (bytes unsigned) or is longer than 4 characters.
bool IsTitleFieldFilled(const std::string& titleField);

// The three text fields and the page's URL of one output record.
struct TRecordFields
{
    std::string title;
    std::string description;
    std::string keywords;
    std::string url;
};

// The record line without its line end: the fields joined by the separator,
// with the last-modified and size values (control bytes removed) appended
// when `saveLastModified` is on.
std::string RecordLine(const TRecordFields& fields, const std::string& separator,
    bool saveLastModified, const std::string& lastModified, const std::string& contentLength);
