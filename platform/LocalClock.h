#pragma once

#include <chrono>

// The local time of day, in milliseconds since midnight.
std::chrono::milliseconds localTimeOfDay();
