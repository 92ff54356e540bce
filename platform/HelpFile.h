#pragma once

#include <string>

// The program's help file is an HTML document in which every topic is one
// element written exactly as <div class="topic" id="ID"> ... </div>, with no
// div inside it. ID is a help-context number ("20") or "contents" for the
// table of contents. Topics link to each other with <a href="#ID">.

// The id of the table of contents.
inline constexpr const char* ContentsTopic = "contents";

// The inner HTML of topic `id` in `document`; empty when there is no such topic.
std::string HelpTopic(const std::string& document, const std::string& id);
