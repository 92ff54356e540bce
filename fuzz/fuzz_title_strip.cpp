// GetTitle and StripHtml on arbitrary bytes. The first byte picks the
// separator's length (0 to 3), the next bytes are the separator, the rest is
// the text. Small inputs are compared with the restart-from-the-start
// reference; every result must keep the flattened form.
#include "fuzz/FuzzCheck.h"
#include "page/StripHtml.h"
#include "page/Title.h"
#include "tests/page/StripHtmlReference.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t sepLength = input.empty() ? 0 : std::min<size_t>(input[0] & 3, input.size() - 1);
    const std::string separator = input.substr(input.empty() ? 0 : 1, sepLength);
    const std::string text = input.substr(input.empty() ? 0 : 1 + sepLength);

    const std::string title = GetTitle(text);
    FUZZ_CHECK(title.empty() || text.find(title) != std::string::npos);

    const std::string out = StripHtml(text, separator);
    FUZZ_CHECK(!out.empty());
    FUZZ_CHECK(out.find("  ") == std::string::npos);
    FUZZ_CHECK(out.find_first_of("<\r\n\t") == std::string::npos);
    FUZZ_CHECK(out.find("nbsp") == std::string::npos);
    FUZZ_CHECK(out.size() <= 5 || out[0] != ' ');
    if (text.size() <= 512)
        FUZZ_CHECK(out == reference::stripHtml(text, separator));
    return 0;
}
