#include "link/serial_link.h"

namespace quintrel {

LinkOutcome SerialLink::fail(LinkStatus status) {
  device_.reset();
  return link_outcome(status);
}

LinkOutcome SerialLink::open(std::u16string_view port_name) {
  device_.reset();
  port_name_ = port_name;
  OpenedDevice opened = backend_.open_exclusive(port_name);
  if (opened.device == nullptr) {
    LinkOutcome outcome = link_outcome(LinkStatus::kCannotOpen);
    outcome.open_failure =
        opened.failure == OpenFailure::kNone ? OpenFailure::kOther : opened.failure;
    outcome.reason = std::move(opened.reason);
    return outcome;
  }
  device_ = std::move(opened.device);
  if (!device_->read_line_settings()) {
    return fail(LinkStatus::kCannotGetSettings);
  }
  if (!device_->write_line_settings()) {
    return fail(LinkStatus::kCannotSetSettings);
  }
  // Refused time-outs that leave a read waiting long would freeze a window at its first read.
  if (!device_->set_short_timeouts()) {
    return fail(LinkStatus::kCannotSetSettings);
  }
  device_->raise_dtr();
  device_->raise_rts();
  return link_outcome(LinkStatus::kOk);
}

}  // namespace quintrel
