// The checks of quintrel-sim's numeric options, run by CLI11 while it parses.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quintrel::sim {

// The whole text as a number from low to high, without sign, spaces or prefix.
std::optional<std::uint64_t> number_in(const std::string& text, std::uint64_t low,
                                       std::uint64_t high, int base = 10);

using Check = std::function<bool(const std::string&)>;

// Whether a text is a number_in(low, high, base).
Check numbers(std::uint64_t low, std::uint64_t high, int base = 10);

// Checks a value while parsing. The message names what was given and what is accepted; CLI11
// puts the option's name before it: "--bitrate: 9 is not a bitrate code from 0 to 4".
CLI::Validator accepts(const std::string& accepted, Check good);

}  // namespace quintrel::sim
