// A serial device that passes every call to the device it wraps: the base of the devices that
// watch a port's traffic (the trace, a batch child's step marks) and change nothing on it. A
// watcher overrides only what it watches, so a call added to the port is passed on by all.
#pragma once

#include <memory>
#include <utility>

#include "link/serial_port.h"

namespace quintrel {

class PassingPort : public SerialPort {
 public:
  explicit PassingPort(std::unique_ptr<SerialPort> inner) : inner_(std::move(inner)) {}

  void purge() override { inner_->purge(); }
  void discard_input() override { inner_->discard_input(); }
  WriteOutcome write(std::span<const std::uint8_t> bytes) override { return inner_->write(bytes); }
  bool read_byte(std::uint8_t& byte) override { return inner_->read_byte(byte); }
  bool gone() const override { return inner_->gone(); }
  bool read_line_settings() override { return inner_->read_line_settings(); }
  bool write_line_settings() override { return inner_->write_line_settings(); }
  bool set_short_timeouts() override { return inner_->set_short_timeouts(); }
  void raise_dtr() override { inner_->raise_dtr(); }
  void raise_rts() override { inner_->raise_rts(); }

 protected:
  SerialPort& inner() { return *inner_; }

 private:
  std::unique_ptr<SerialPort> inner_;
};

}  // namespace quintrel
