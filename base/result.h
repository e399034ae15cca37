// The one way, beside the link's LinkOutcome, that a call says it failed: a Result holds the value
// or a Failure with the reason in words a user can act on. Nothing is thrown across the program's
// own calls; a library that throws is caught at its edge and turned into a Failure there.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace quintrel {

struct Failure {
  std::string message;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::move(value)) {}            // NOLINT: a value is a success
  Result(Failure failure) : state_(std::move(failure)) {}  // NOLINT: and a Failure a failure

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() {
    assert(ok());
    return std::get<0>(state_);
  }
  const T& value() const {
    assert(ok());
    return std::get<0>(state_);
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }

  // Why it failed; empty for a success.
  std::string error() const { return ok() ? std::string() : std::get<1>(state_).message; }

 private:
  std::variant<T, Failure> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)) {}  // NOLINT: a Failure is a failure

  bool ok() const { return !failure_.has_value(); }
  explicit operator bool() const { return ok(); }
  std::string error() const { return failure_ ? failure_->message : std::string(); }

 private:
  std::optional<Failure> failure_;
};

}  // namespace quintrel
