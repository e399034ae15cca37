#include "link/serial_link.h"

namespace quintrel {

LinkOutcome SerialLink::fail(LinkStatus status) {
  port_.reset();
  return link_outcome(status);
}

LinkOutcome SerialLink::open(std::u16string_view port_name) {
  port_.reset();
  port_name_ = port_name;
  OpenedPort opened = backend_.open_exclusive(port_name);
  if (opened.port == nullptr) {
    LinkOutcome outcome = link_outcome(LinkStatus::kCannotOpen);
    outcome.open_failure =
        opened.failure == OpenFailure::kNone ? OpenFailure::kOther : opened.failure;
    outcome.reason = std::move(opened.reason);
    return outcome;
  }
  port_ = std::move(opened.port);
  if (!port_->read_line_settings()) {
    return fail(LinkStatus::kCannotGetSettings);
  }
  if (!port_->write_line_settings()) {
    return fail(LinkStatus::kCannotSetSettings);
  }
  // Refused time-outs that leave a read waiting long would freeze a window at its first read.
  if (!port_->set_short_timeouts()) {
    return fail(LinkStatus::kCannotSetSettings);
  }
  port_->raise_dtr();
  port_->raise_rts();
  return link_outcome(LinkStatus::kOk);
}

}  // namespace quintrel
