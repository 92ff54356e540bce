// SplitUrl and the other URL routines on arbitrary bytes. Every part SplitUrl
// gives but the scheme it may supply itself is a piece of the URL, the pieces
// do not overlap, and the port and host keep the separators out; Base64 has
// the padded length and decodes back to the input; a document name is a
// single path segment without a query, at most 255 bytes.
#include "fuzz/FuzzCheck.h"
#include "net/http/HttpRoute.h"
#include "net/http/UrlRoutines.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

bool isPieceOf(const std::string& part, const std::string& whole)
{
    return part.empty() || whole.find(part) != std::string::npos;
}

std::string decodeBase64(const std::string& text)
{
    static const std::string Alphabet
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=')
            break;
        const auto v = Alphabet.find(c);
        FUZZ_CHECK(v != std::string::npos);
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

void checkSplit(const std::string& url)
{
    const TUrlParts parts = SplitUrl(url);
    FUZZ_CHECK(parts.Scheme == "http" || parts.Scheme == "mailto" || isPieceOf(parts.Scheme, url));
    for (const std::string* part :
        { &parts.User, &parts.Password, &parts.Host, &parts.Port, &parts.Path })
        FUZZ_CHECK(isPieceOf(*part, url));
    FUZZ_CHECK(parts.User.size() + parts.Password.size() + parts.Host.size() + parts.Port.size()
            + parts.Path.size()
        <= url.size());
    FUZZ_CHECK(parts.Host.find('/') == std::string::npos);
    FUZZ_CHECK(parts.Port.find_first_of(":@/") == std::string::npos);
    FUZZ_CHECK(parts.User.find(':') == std::string::npos);
}

void checkBase64(const std::string& bytes)
{
    const std::string encoded = EncodeBase64(bytes);
    FUZZ_CHECK(encoded.size() == (bytes.size() + 2) / 3 * 4);
    FUZZ_CHECK(decodeBase64(encoded) == bytes);
}

void checkDocName(const std::string& path)
{
    const std::string name = DeriveDocName(path);
    FUZZ_CHECK(name.size() <= 255 || name == "document.htm");
    FUZZ_CHECK(name.find_first_of("/?") == std::string::npos);
    FUZZ_CHECK(isPieceOf(name, path) || name == "document.htm");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    checkSplit(input);
    checkBase64(input);
    checkDocName(input);
    checkDocName(SplitUrl(input).Path);
    return 0;
}
