#include "cli/batch/port_job.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <utility>

#include "base/utf8_text.h"
#include "cli/port_json.h"

namespace quintrel::cli {

namespace {

constexpr std::array<std::pair<CliCommand, const char*>, 4> kJobCommands = {{
    {CliCommand::kRead, "read"},
    {CliCommand::kSave, "save"},
    {CliCommand::kBuzzerOff, "buzzer-off"},
    {CliCommand::kProbePort, "probe"},
}};

// The key's value when it is a whole number from low to high (3.9 is not 3, nor 4294967299 3). A
// missing key gives fallback.
Result<std::int64_t> whole_number(const JsonObject& object, const char* key, std::int64_t low,
                                  std::int64_t high, std::optional<std::int64_t> fallback) {
  const auto it = object.find(key);
  if (it == object.end() && fallback) {
    return *fallback;
  }
  if (it != object.end() && it->is_number_unsigned()) {
    const std::uint64_t value = it->get<std::uint64_t>();
    if (value <= static_cast<std::uint64_t>(high) && static_cast<std::int64_t>(value) >= low) {
      return static_cast<std::int64_t>(value);
    }
  } else if (it != object.end() && it->is_number_integer()) {
    const std::int64_t value = it->get<std::int64_t>();
    if (value >= low && value <= high) {
      return value;
    }
  }
  return Failure{std::string("\"") + key + "\" must be a whole number from " + std::to_string(low) +
                 " to " + std::to_string(high)};
}

// What a save adds: bitrate, identifier, verify and read_before. A value out of its range comes to
// light after a field of the wrong type, which throws nlohmann's exception.
Result<void> decode_save(const JsonObject& object, CliRequest& request) {
  const Result<std::int64_t> code = whole_number(object, "bitrate", 0, kBitrateHighest, {});
  const std::optional<std::u16string> identifier =
      identifier_from_argument(object.at("identifier").get<std::string>());
  request.verify = object.value("verify", false);
  request.line.read_before = object.value("read_before", false);
  if (!code) {
    return Failure{code.error()};
  }
  if (!identifier) {
    return Failure{"bitrate or identifier out of range"};
  }
  request.bitrate = static_cast<BitrateCode>(*code);
  request.identifier = *identifier;
  return {};
}

// The request's fields into the CliRequest. A field of the wrong type, or a missing "command",
// "port" or "identifier", throws nlohmann's exception, whose message port_job_request gives; so
// it is reported before a value out of range, and that before an unknown command.
Result<CliRequest> decode(const JsonObject& object) {
  const std::string command = object.at("command").get<std::string>();
  CliRequest request;
  request.port = object.at("port").get<std::string>();
  request.trace = object.value("trace", false);
  request.precise_trace = object.value("precise_trace", false);
  const Result<std::int64_t> parent_pid = whole_number(object, "parent_pid", 0, INT_MAX, 0);
  if (!parent_pid) {
    return Failure{parent_pid.error()};
  }
  const auto known = std::find_if(kJobCommands.begin(), kJobCommands.end(),
                                  [&command](const auto& job) { return command == job.second; });
  if (known == kJobCommands.end()) {
    return Failure{"unknown command \"" + command + "\""};
  }
  request.command = known->first;
  request.ports = {request.port};
  request.json = true;
  request.parent_pid = static_cast<int>(*parent_pid);
  if (request.command == CliCommand::kSave) {
    if (const Result<void> save = decode_save(object, request); !save) {
      return Failure{save.error()};
    }
  }
  if (request.port.empty()) {
    return Failure{"no port"};
  }
  return request;
}

}  // namespace

std::string port_job_text(const CliRequest& request, const std::string& port, int parent_pid) {
  JsonObject object;
  for (const auto& [command, name] : kJobCommands) {
    if (command == request.command) {
      object["command"] = name;
    }
  }
  object["port"] = port;
  if (request.command == CliCommand::kSave) {
    object["bitrate"] = request.bitrate;
    object["identifier"] = utf8_from_utf16(request.identifier);
    object["verify"] = request.verify;
    if (request.line.read_before) {  // only for a record that was asked for
      object["read_before"] = true;
    }
  }
  object["trace"] = request.trace;
  object["precise_trace"] = request.precise_trace;
  object["parent_pid"] = parent_pid;
  return json_text(object) + '\n';
}

Result<std::string> port_job_input(std::istream& in) {
  std::string text(kPortJobRequestMax + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kPortJobRequestMax) {
    return Failure{"the request on standard input is longer than " +
                   std::to_string(kPortJobRequestMax) +
                   " bytes: this entry takes the one small request that a run over many ports "
                   "writes"};
  }
  return text;
}

Result<CliRequest> port_job_request(std::string_view text) {
  const JsonObject object = JsonObject::parse(text, nullptr, false);
  if (!object.is_object()) {
    return Failure{"the request on standard input is not a JSON object"};
  }
  try {
    return decode(object);
  } catch (const JsonObject::exception& wrong) {
    return Failure{wrong.what()};
  }
}

}  // namespace quintrel::cli
