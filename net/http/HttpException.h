#pragma once

#include <stdexcept>
#include <string>

// A request refused or a response the HTTP client cannot take, with a code:
// 1 "HTTP component is busy", 2 "HTTP component has nothing to post",
// 4 "HTTP line too long".
class EHttpException : public std::runtime_error
{
public:
    EHttpException(const std::string& msg, int errorCode)
        : std::runtime_error(msg)
        , ErrorCode(errorCode)
    { }

    int ErrorCode;
};

// Raised by Get, DoRequestSync and DoRequestAsync when a handler destroyed the
// client during the call: the request went with it, and nothing of the client
// may be touched any more.
class EHttpClientDestroyed : public std::runtime_error
{
public:
    EHttpClientDestroyed()
        : std::runtime_error("HTTP component destroyed during the request")
    { }
};
