#include "ports/port_glob.h"

#include <cstddef>
#include <optional>

namespace quintrel {

namespace {

struct Bracket {
  std::size_t end = 0;   // the index after its "]"
  bool matched = false;  // whether the byte is in its set
};

// One bracket expression starting at pattern[at] == '['; nullopt when it has no closing "]".
std::optional<Bracket> bracket_at(std::string_view pattern, std::size_t at, unsigned char c) {
  std::size_t i = at + 1;
  const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
  if (negated) {
    ++i;
  }
  bool in_set = false;
  for (bool first = true; i < pattern.size(); first = false) {
    const auto low = static_cast<unsigned char>(pattern[i]);
    if (low == ']' && !first) {
      return Bracket{i + 1, in_set != negated};
    }
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      const auto high = static_cast<unsigned char>(pattern[i + 2]);
      in_set = in_set || (low <= c && c <= high);
      i += 3;
    } else {
      in_set = in_set || low == c;
      ++i;
    }
  }
  return std::nullopt;
}

// Where the pattern goes on when its element at p (a "?", a bracket expression or a plain byte,
// never "*") takes c; nullopt when it does not.
std::optional<std::size_t> after_element(std::string_view pattern, std::size_t p, char c) {
  if (pattern[p] == '[') {
    if (const std::optional<Bracket> bracket =
            bracket_at(pattern, p, static_cast<unsigned char>(c))) {
      return bracket->matched ? std::optional(bracket->end) : std::nullopt;
    }
  }
  if (pattern[p] == '?' || pattern[p] == c) {
    return p + 1;
  }
  return std::nullopt;
}

}  // namespace

bool glob_matches(std::string_view pattern, std::string_view text) {
  std::size_t p = 0;
  std::size_t t = 0;
  // Where to resume after the last "*": its pattern index and the text it has swallowed to.
  std::size_t star = std::string_view::npos;
  std::size_t star_text = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_text = t;
      continue;
    }
    if (p < pattern.size()) {
      if (const std::optional<std::size_t> next = after_element(pattern, p, text[t])) {
        p = *next;
        ++t;
        continue;
      }
    }
    if (star == std::string_view::npos) {
      return false;
    }
    p = star + 1;
    t = ++star_text;
  }
  while (p < pattern.size() && pattern[p] == '*') {
    ++p;
  }
  return p == pattern.size();
}

}  // namespace quintrel
