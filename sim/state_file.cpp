#include "sim/state_file.h"

#include <fstream>

#include "device/token_parser.h"
#include "platform/linux/linux_private_file.h"

namespace quintrel::sim {

namespace {

bool all_digits(const std::string& text, unsigned base) {
  if (text.empty() || text.size() > 8) {
    return false;
  }
  for (const char c : text) {
    const bool decimal = c >= '0' && c <= '9';
    const bool hex = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!(decimal || (base == 16 && hex))) {
      return false;
    }
  }
  return true;
}

}  // namespace

Result<std::optional<DeviceValues>> load_state(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) {
    if (std::filesystem::exists(file)) {
      return Failure{file.string() + ": cannot be read"};
    }
    return std::optional<DeviceValues>();
  }
  DeviceValues read;
  bool have_bitrate = false;
  bool have_identifier = false;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t equals = line.find('=');
    const std::string key = line.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
    if (key == "bitrate_code" && value.size() == 1 && value[0] >= '0' && value[0] <= '4') {
      read.bitrate_code = value[0] - '0';
      have_bitrate = true;
    } else if (key == "identifier" && all_digits(value, 16)) {
      read.identifier = text_to_u32(value, 16);
      have_identifier = true;
    } else if (!line.empty()) {
      return Failure{file.string() + ": unexpected line \"" + line + "\""};
    }
  }
  if (!have_bitrate || !have_identifier) {
    return Failure{file.string() + ": needs both bitrate_code and identifier"};
  }
  return std::optional<DeviceValues>(read);
}

Result<void> save_state(const std::filesystem::path& file, const DeviceValues& values) {
  return replace_file(file, "bitrate_code=" + std::to_string(values.bitrate_code) +
                                "\nidentifier=" + identifier_text(values.identifier) + '\n');
}

}  // namespace quintrel::sim
