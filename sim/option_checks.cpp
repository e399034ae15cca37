#include "sim/option_checks.h"

#include <charconv>

namespace quintrel::sim {

std::optional<std::uint64_t> number_in(const std::string& text, std::uint64_t low,
                                       std::uint64_t high, int base) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
      value > high) {
    return std::nullopt;
  }
  return value;
}

Check numbers(std::uint64_t low, std::uint64_t high, int base) {
  return [=](const std::string& text) { return number_in(text, low, high, base).has_value(); };
}

CLI::Validator accepts(const std::string& accepted, Check good) {
  return CLI::Validator(
      [accepted, good](std::string& text) -> std::string {
        return good(text) ? "" : text + " is not " + accepted;
      },
      "");
}

}  // namespace quintrel::sim
