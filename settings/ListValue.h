#pragma once

#include "settings/Settings.h"

#include <string>

// The settings file holds each list as one value: the entries joined by ",".

// Most entries a list keeps after a load.
inline constexpr int ListSlots = 100;

// The entries of a list value: the value is split at each "," into 100 slots
// (the last slot takes the rest; slots past the end are empty) and the slots
// are taken in order up to the first empty one.
TStringList SplitListValue(const std::string& value);

// The list value for `entries`: joined by single commas, nothing at the end.
std::string JoinListValue(const TStringList& entries);

// Inserts `entry` into the list kept sorted without regard to ASCII letter
// case, after any entries that compare equal to it; returns its index.
std::size_t InsertSorted(TStringList& list, const std::string& entry);
