#pragma once

class THttpCli;
struct TSettings;

// Sets up `http` to reach the web as the settings say: directly or through
// the HTTP proxy, the SOCKS proxy or both. Every request of the crawl, the
// pages' and the robots.txt files', is made so.
void ApplyConnectionSettings(THttpCli& http, const TSettings& settings);
