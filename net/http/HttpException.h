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
