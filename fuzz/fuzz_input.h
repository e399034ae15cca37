// The fuzzer's bytes, taken from the front as a harness needs them. Once they are used up every
// read gives 0, so a harness never has to check before it reads.
#pragma once

#include <cstdint>
#include <span>

class FuzzInput {
 public:
  explicit FuzzInput(std::span<const std::uint8_t> data) : data_(data) {}

  bool empty() const { return data_.empty(); }

  std::uint8_t byte() {
    if (data_.empty()) {
      return 0;
    }
    const std::uint8_t first = data_.front();
    data_ = data_.subspan(1);
    return first;
  }

  // A UTF-16 unit from two bytes, low byte first.
  char16_t unit() {
    const std::uint8_t low = byte();
    return static_cast<char16_t>(low | byte() << 8);
  }

 private:
  std::span<const std::uint8_t> data_;
};
