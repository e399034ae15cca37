// A count with its noun, singular for one: "1 port", "3 ports".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quintrel {

inline std::string count_text(std::size_t count, std::string_view noun) {
  return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

}  // namespace quintrel
