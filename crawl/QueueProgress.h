#pragma once

#include "page/LinkState.h"

#include <string>
#include <string_view>
#include <vector>

// The progress file of a crawl's queue: what happened to the queue since the
// input file was last written, appended page by page, so that a page costs
// one small append instead of a rewrite of the whole queue. Its lines end
// with CR LF: "+" and a URL for each link a page queued, then "-" and the
// page's URL, the line that makes the page count; "=" and the size and hash
// of the input file's new contents just before the queue is written into it.
// URLs hold no line break: link values lose theirs before they are queued.

// The lines of one page: its queued `links`, then the page `url` done.
std::string ProgressEntry(const std::string& url, const std::vector<std::string>& links);

// The line that announces a rewrite of the input file with `content`.
std::string FoldMark(std::string_view content);

// Applies the pages recorded in `progress` to `urls`, the entries of the
// input file whose bytes are `input`: each page leaves the head of the queue
// when it stands there, and its links join the tail. Nothing is applied when
// the last fold mark announces `input`, since the input file then holds the
// queue with those pages already. A last line without its line end and links
// whose page line never came are what a killed writer left half-way; they
// count for nothing, so the page is fetched again.
void ApplyProgress(std::string_view progress, std::string_view input, TUrlQueue& urls);
