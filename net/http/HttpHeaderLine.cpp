#include "net/http/HttpHeaderLine.h"

#include "platform/Errors.h"
#include "platform/TextSearch.h"

#include <charconv>

namespace {

[[noreturn]] void notAnInteger(const std::string& text)
{
    throw EConvertError("'" + text + "' is not a valid integer value");
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

THeaderLine ParseHeaderLine(const std::string& line)
{
    THeaderLine parsed;
    const std::string version = line.substr(0, 8);
    if (version == "HTTP/1.0" || version == "HTTP/1.1" || version == "HTTP/2.0") {
        parsed.Kind = THeaderLineKind::Status;
        const std::string code = CopyStr(line, 10, 3);
        if (code.size() != 3 || !isDigit(code[0]) || !isDigit(code[1]) || !isDigit(code[2]))
            notAnInteger(code);
        parsed.StatusCode = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
        parsed.ReasonPhrase = CopyStr(line, 14, static_cast<int>(line.size()));
        return parsed;
    }
    const auto colon = line.find(':');
    if (colon == std::string::npos)
        return parsed;
    parsed.Kind = THeaderLineKind::Field;
    parsed.Name = LowerCase(line.substr(0, colon));
    // One space after the colon is assumed: the byte there is skipped whatever it is.
    parsed.Value = colon + 2 <= line.size() ? line.substr(colon + 2) : std::string();
    return parsed;
}

std::optional<TFieldParts> SplitFieldLine(std::string_view line)
{
    constexpr std::string_view blanks = " \t";
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    return TFieldParts { Trim(line.substr(0, colon), blanks),
        Trim(line.substr(colon + 1), blanks) };
}

std::int64_t ParseContentLength(const std::string& value)
{
    const std::size_t digitsFrom = !value.empty() && value[0] == '-' ? 1 : 0;
    if (value.size() == digitsFrom)
        notAnInteger(value);
    for (std::size_t i = digitsFrom; i < value.size(); ++i)
        if (!isDigit(value[i]))
            notAnInteger(value);
    std::int64_t result = 0;
    const auto [end, err] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (err != std::errc() || end != value.data() + value.size())
        notAnInteger(value);
    return result;
}

bool IsHeaderlessHtml(const std::string& line)
{
    return UpperCase(line.substr(0, 6)) == "<HTML>";
}
