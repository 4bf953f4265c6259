// A value or the text of what went wrong, for calls of our host that can
// fail for reasons a caller must report (a library that will not load, a
// file that is not what it claims to be).
#ifndef FOLVEK_RUNNER_CORE_EXPECTED_H
#define FOLVEK_RUNNER_CORE_EXPECTED_H

#include <string>
#include <utility>

namespace runner {

struct Failure {
    std::string message;
};

template <typename T>
class Expected {
public:
    Expected(T value) : value_(std::move(value)), ok_(true) {}  // NOLINT: implicit by design
    Expected(Failure failure) : error_(std::move(failure.message)), ok_(false) {}  // NOLINT

    bool Ok() const { return ok_; }
    explicit operator bool() const { return ok_; }

    // Only meaningful when Ok().
    T& Value() { return value_; }
    const T& Value() const { return value_; }
    T TakeValue() { return std::move(value_); }

    // Empty when Ok().
    const std::string& Error() const { return error_; }

private:
    T value_{};
    std::string error_;
    bool ok_ = false;
};

}  // namespace runner

#endif
