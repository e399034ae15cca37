// What quintrel-cli says of a word on its command line that it does not know: the word, and the
// command or option the user most likely meant.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quintrel::cli {

// "a, b and c".
std::string word_list(const std::vector<std::string>& words);

// The known word closest to the typed one by edit distance, when close enough to be a typing
// slip (at most a third of the word's letters, at least one); empty otherwise.
std::string nearest_word(std::string_view typed, const std::vector<std::string>& known);

// "unknown command 'reed'; did you mean 'read'?" or, with nothing near, the list of commands;
// for a word starting with "-" the same about an option of the command (of the program, when
// command is empty).
std::string unknown_word_message(std::string_view typed, std::string_view command,
                                 const std::vector<std::string>& commands,
                                 const std::vector<std::string>& options);

}  // namespace quintrel::cli
