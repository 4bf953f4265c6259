// The one error type of our host library and its front-ends: a value, or
// the one line that says why there is none, naming the file, parameter or
// value at fault. Failures travel back as values; only the C boundaries
// (the effect's callbacks, a plug-in's entry points, main) turn them into
// codes, messages and exit statuses.
//
//   Result<World> made = World::Create(...);
//   if (!made) return made.error();     // passes the same line on
//   World world = std::move(*made);
//
// Result<T> is tl::expected<T, Error> (the interface of C++23's
// std::expected) that a caller may not ignore, and that an Error converts
// to directly: `return Error{"frame 3: " + why};`.
#ifndef FOLVEK_RUNNER_CORE_ERROR_H
#define FOLVEK_RUNNER_CORE_ERROR_H

#include <string>
#include <utility>

#include <tl/expected.hpp>

namespace runner {

struct Error {
    std::string message;
};

template <typename T>
class [[nodiscard]] Result : public tl::expected<T, Error> {
    using Base = tl::expected<T, Error>;

public:
    using Base::Base;
    Result(Error error) : Base(tl::unexpect, std::move(error)) {}  // NOLINT: implicit on purpose
    Result(const Base& other) : Base(other) {}                      // NOLINT
    Result(Base&& other) : Base(std::move(other)) {}                // NOLINT
};

// For operations that give nothing back but may fail.
using Status = Result<void>;

inline Status Success() { return {}; }

}  // namespace runner

#endif
