#include "cli/console_presenter.h"

#include "base/utf8_text.h"

namespace quintrel::cli {

int ConsolePresenter::present(OwnerWindow, const MessageRequest& request) {
  err_ << utf8_from_utf16(request.text) << '\n' << std::flush;
  return kMessageOk;
}

}  // namespace quintrel::cli
