#include "platform/windows/win32_serial_port.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/system_clock.h"
#include "platform/windows/win32_clock.h"
#include "platform/windows/win32_comm_settings.h"
#include "platform/windows/win32_port_scanner.h"

namespace quintrel {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

// CM_PROB_DISABLED: the user disabled the device.
constexpr std::uint32_t kProblemDisabled = 22;

const wchar_t* as_wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// What turns each write's time-out into n + 100 ms for n bytes.
constexpr DWORD kWriteTimeoutConstantMs = 100;

class Win32SerialPort final : public SerialPort {
 public:
  explicit Win32SerialPort(HANDLE handle) : handle_(handle) {}
  ~Win32SerialPort() override { CloseHandle(handle_); }
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  bool read_line_settings() override {
    line_ = DCB{};
    line_.DCBlength = sizeof(line_);
    return GetCommState(handle_, &line_) != FALSE;
  }

  bool write_line_settings() override {
    line_ = exchange_line_settings(line_);
    return SetCommState(handle_, &line_) != FALSE;
  }

  bool set_short_timeouts() override {
    // Every field is set here, so the port's own time-outs need not be read first.
    COMMTIMEOUTS timeouts{};
    // An idle one-byte read returns after about 2 ms (1 ms per byte plus 1 ms).
    timeouts.ReadIntervalTimeout = 1;
    timeouts.ReadTotalTimeoutMultiplier = 1;
    timeouts.ReadTotalTimeoutConstant = 1;
    // A USB adapter completes a write only once the USB transfer is done, and a write that runs
    // out of time may report bytes that did go out as unwritten; retried, they would reach the
    // device twice. So a write gets room well beyond the 0.26 ms a byte takes at 38400 bit/s.
    timeouts.WriteTotalTimeoutMultiplier = 1;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutConstantMs;
    if (SetCommTimeouts(handle_, &timeouts) != FALSE) {
      return true;
    }
    // Refused: the port keeps the time-outs it had, which may let a read or a write wait for ever.
    COMMTIMEOUTS kept{};
    return GetCommTimeouts(handle_, &kept) != FALSE && kept_timeouts_usable(kept);
  }

  // A port without modem lines (a virtual port) refuses these; that does not stop the open.
  void raise_dtr() override { EscapeCommFunction(handle_, SETDTR); }
  void raise_rts() override { EscapeCommFunction(handle_, SETRTS); }

  void purge() override { PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR); }
  void discard_input() override { PurgeComm(handle_, PURGE_RXCLEAR); }

  WriteOutcome write(std::span<const std::uint8_t> bytes) override {
    DWORD written = 0;
    const BOOL ok =
        WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (ok == FALSE) {
      gone_ = gone_ || is_port_gone_error(GetLastError());
    }
    return {ok != FALSE, written};
  }

  bool read_byte(std::uint8_t& byte) override {
    Clock& clock = system_clock();
    const std::uint32_t started = clock.now_ms();
    DWORD got = 0;
    const BOOL ok = ReadFile(handle_, &byte, 1, &got, nullptr);
    if (ok != FALSE && got == 1) {
      return true;
    }
    if (ok == FALSE) {
      gone_ = gone_ || is_port_gone_error(GetLastError());
    }
    // An unplugged adapter makes every read fail at once (and a port whose other side went away
    // can keep returning nothing at once); without this pause a reply stage would spin a core
    // for its whole second.
    if (clock.now_ms() == started) {
      clock.sleep_ms(1);
    }
    return false;
  }

  bool gone() const override { return gone_; }

 private:
  // Held from the open to the close: the reply stages' 1 ms reads and 10 ms pauses need it.
  const FineTimerResolution fine_timer_;
  HANDLE handle_;
  DCB line_{};
  bool gone_ = false;
};

}  // namespace

std::u16string win32_port_path(std::u16string_view port_name) {
  std::u16string path = u"\\\\.\\";
  path.append(port_name);
  return path;
}

bool is_port_gone_error(unsigned long error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:  // the handle is held exclusively, so only a removal explains it
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

std::string describe_open_error(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "no such port: check the name, or whether the adapter is plugged in";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return "the port is busy: another program holds it open";
    case ERROR_INVALID_NAME:
      return "not a valid port name";
    case ERROR_GEN_FAILURE:
    case ERROR_BAD_COMMAND:
      return "the adapter stopped working: unplug it and plug it in again";
    default:
      return "Windows error " + std::to_string(error);
  }
}

std::string describe_port_problem(std::uint32_t problem) {
  if (problem == kProblemDisabled) {
    return "the port is disabled: enable it in Device Manager";
  }
  return "Windows stopped the port's device (problem code " + std::to_string(problem) +
         "): unplug the adapter and plug it in again";
}

std::string diagnose_open_failure(std::u16string_view port_name, unsigned long error,
                                  PortScanner* scanner) {
  std::string reason = describe_open_error(error);
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
    return reason;
  }
  // A device that stopped functioning keeps its port name but no longer offers the port.
  if (const std::uint32_t problem = port_problem_code(port_name); problem != 0) {
    return describe_port_problem(problem);
  }
  if (const std::string present = present_ports_note(scanner); !present.empty()) {
    reason += "; " + present;
  }
  return reason;
}

OpenFailure open_failure_kind(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return OpenFailure::kMissing;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return OpenFailure::kBusy;
    default:
      return OpenFailure::kOther;
  }
}

OpenedPort Win32SerialBackend::open_exclusive(std::u16string_view port_name) {
  const std::u16string path = win32_port_path(port_name);
  // Share mode 0: no other program may open the port while we hold it.
  const HANDLE handle = CreateFileW(as_wide(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return {nullptr, open_failure_kind(error), diagnose_open_failure(port_name, error, scanner_)};
  }
  // A previous owner that set fAbortOnError may have left an error pending, under which the port
  // takes no read or write until the error is acknowledged; SetCommState turns the flag off.
  ClearCommError(handle, nullptr, nullptr);
  return {std::make_unique<Win32SerialPort>(handle), OpenFailure::kNone, {}};
}

}  // namespace quintrel
