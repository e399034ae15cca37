// The command-line tool's message window: there is none, so a message is its text on a line of
// the error stream. Counting what was shown lets the tool tell a silent failure (a reply with an
// empty payload) from one that has been reported.
#pragma once

#include <ostream>

#include "base/show_message.h"

namespace quintrel::cli {

class ConsolePresenter final : public MessagePresenter {
 public:
  explicit ConsolePresenter(std::ostream& err) : err_(err) {}

  // Prints the text and answers as OK would.
  int present(OwnerWindow owner, const MessageRequest& request) override;

  int shown_count() const { return shown_count_; }

 private:
  std::ostream& err_;
  int shown_count_ = 0;
};

}  // namespace quintrel::cli
