// The command-line tool's message window: there is none, so a message is its text on a line of
// the error stream.
#pragma once

#include <ostream>

#include "base/show_message.h"

namespace quintrel::cli {

class ConsolePresenter final : public MessagePresenter {
 public:
  explicit ConsolePresenter(std::ostream& err) : err_(err) {}

  // Prints the text and answers as OK would.
  int present(OwnerWindow owner, const MessageRequest& request) override;

 private:
  std::ostream& err_;
};

}  // namespace quintrel::cli
