#pragma once

#include <stdexcept>

// A file could not be opened, read, written, flushed or closed. The message
// names the file ("Cannot open file %s", ...).
class EInOutError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A text is not a number of the required kind ("'%s' is not a valid integer value").
class EConvertError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
