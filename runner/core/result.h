// A value or the one line that says why there is none. Everything below the
// command layer reports failures this way; main prints the line and exits.
#ifndef FOLVEK_RUNNER_CORE_RESULT_H
#define FOLVEK_RUNNER_CORE_RESULT_H

#include <string>
#include <utility>
#include <variant>

namespace runner {

struct Error {
    std::string message;
};

template <typename T>
class Result {
public:
    Result(T value) : data_(std::move(value)) {}          // NOLINT: implicit on purpose
    Result(Error error) : data_(std::move(error)) {}      // NOLINT

    bool Ok() const { return std::holds_alternative<T>(data_); }
    explicit operator bool() const { return Ok(); }

    T& Value() { return std::get<T>(data_); }
    const T& Value() const { return std::get<T>(data_); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }
    T& operator*() { return Value(); }
    const T& operator*() const { return Value(); }

    const std::string& Message() const { return std::get<Error>(data_).message; }
    Error TakeError() const { return std::get<Error>(data_); }

private:
    std::variant<T, Error> data_;
};

// For operations that give nothing back but may fail.
struct Done {};
using Status = Result<Done>;

inline Status Success() { return Done{}; }

}  // namespace runner

#endif
