#pragma once

#include <stdexcept>

// A socket operation refused at once (bad property write, failed platform
// call with no OnError handler assigned, resolver failure).
class ESocketException : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
