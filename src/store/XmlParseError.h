#pragma once

#include <stdexcept>

// An answer of the office server that is not well-formed XML or cannot be decoded. Raised
// before anything is changed, so that the caller's processing of that answer ends with its
// documents untouched.
class XmlParseError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
