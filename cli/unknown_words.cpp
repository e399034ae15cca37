#include "cli/unknown_words.h"

#include <algorithm>
#include <numeric>

namespace quintrel::cli {

namespace {

std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  std::iota(row.begin(), row.end(), std::size_t{0});
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string word_list(const std::vector<std::string>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == words.size() ? " and " : ", ") + words[i];
  }
  return text;
}

std::string nearest_word(std::string_view typed, const std::vector<std::string>& known) {
  const std::size_t allowed = std::max<std::size_t>(1, typed.size() / 3);
  std::string nearest;
  std::size_t best = allowed + 1;
  for (const std::string& word : known) {
    if (const std::size_t distance = edit_distance(typed, word); distance < best) {
      best = distance;
      nearest = word;
    }
  }
  return nearest;
}

std::string unknown_word_message(std::string_view typed, std::string_view command,
                                 const std::vector<std::string>& commands,
                                 const std::vector<std::string>& options) {
  const bool option = typed.starts_with('-');
  std::string text = std::string(option ? "unknown option '" : "unknown command '") +
                     std::string(typed) + "'" +
                     (option && !command.empty() ? " of '" + std::string(command) + "'" : "");
  if (const std::string near = nearest_word(typed, option ? options : commands); !near.empty()) {
    return text + "; did you mean '" + near + "'?";
  }
  if (option) {
    return text + "; its options are " + word_list(options);
  }
  return text + "; the commands are " + word_list(commands);
}

}  // namespace quintrel::cli
