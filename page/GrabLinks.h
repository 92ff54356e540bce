#pragma once

#include "page/LinkState.h"

// Scans the page text (state.pageSource joined with CR LF) for every href="
// and then every src=" value, makes each an absolute URL against
// state.currentUrl, filters it, and queues each new one at the end of urlList,
// in seenList and as a CR LF line in the track file, calling ShowLeft after
// each. Clears pageAccepted when the page's site root holds an entry of
// filterDomains. A track-file failure raises EInOutError after the URL was
// added to both lists.
void GrabLinks(TLinkState& state);
