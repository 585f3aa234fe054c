#pragma once
// The program's exceptions. Portable: no Win32 here, so that code built
// natively (archive reading, options parsing) can throw them too.
#include <exception>
#include <string>
#include <string_view>

namespace fw {

// Base of the program's exceptions: carries a UTF-16 message.
class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);
    const std::wstring& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }  // UTF-8 copy of the message

private:
    std::wstring message_;
    std::string utf8_;
};

// A failed operating-system call: the message and the system error number.
class EOSError : public Exception {
public:
    EOSError(std::wstring message, unsigned long errorCode);
    unsigned long ErrorCode() const noexcept { return errorCode_; }

private:
    unsigned long errorCode_;
};

// An index outside a list.
class EListError : public Exception {
public:
    using Exception::Exception;
};

// UTF-16 <-> UTF-8; ill-formed input becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// The text an error box shows for an exception: the message of ours, the
// what() of any other std::exception, a fixed text for anything else.
std::wstring ExceptionMessage(const std::exception_ptr& e);

}  // namespace fw
