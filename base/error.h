#pragma once

#include <stdexcept>
#include <string>

namespace tonvarra {

// Error: the program's general exception. It carries only the message that the
// program shows to the user.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ConvertError: a text that had to be a number was not, such as the repeat
// count of a key sequence.
class ConvertError : public Error {
public:
    using Error::Error;
};

} // namespace tonvarra
