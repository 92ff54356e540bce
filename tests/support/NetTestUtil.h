#pragma once

#include <cstdint>
#include <functional>

// Pumps the calling thread's Qt event loop until `done` returns true or
// `timeoutMs` pass; returns the last value of `done`. Sleeps while idle.
bool runUntil(const std::function<bool()>& done, int timeoutMs);

// Pumps the Qt event loop for `ms` milliseconds.
void runFor(int ms);

// A port of 127.0.0.1 that nobody listens on (bound, noted, closed again).
std::uint16_t refusedPort();
