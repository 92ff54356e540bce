#pragma once

#include "page/LinkState.h"

#include <cstddef>

// The longest URL link following queues, in bytes. Relative links copy the
// page's own URL, so without a bound one hostile page under a long URL would
// queue many times its own size; a URL that passes every other test but is
// longer is dropped like one that fails them.
constexpr std::size_t MaxLinkLength = 2048;

// Scans the page text (state.pageSource) for every href="
// and then every src=" value, makes each an absolute URL against
// state.currentUrl, filters it, and queues each new one at the end of urlList,
// in seenList and in newLinks, calling ShowLeft after each. Clears
// pageAccepted when the page's site root holds an entry of filterDomains.
// Touches no file.
void GrabLinks(TLinkState& state);
