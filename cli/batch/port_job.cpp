#include "cli/batch/port_job.h"

#include <array>
#include <climits>
#include <cstdint>
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

// The key's value when it is a whole number from low to high (3.9 is not 3, nor 4294967299 3);
// otherwise nullopt, with error saying so. A missing key gives fallback.
std::optional<std::int64_t> whole_number(const JsonObject& object, const char* key,
                                         std::int64_t low, std::int64_t high,
                                         std::optional<std::int64_t> fallback, std::string& error) {
  const auto it = object.find(key);
  if (it == object.end() && fallback) {
    return fallback;
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
  error = std::string("\"") + key + "\" must be a whole number from " + std::to_string(low) +
          " to " + std::to_string(high);
  return std::nullopt;
}

// The request's fields into the CliRequest; throws nlohmann's exceptions for a missing key or a
// value of the wrong type, which port_job_request turns into its error.
CliRequest decode(const JsonObject& object, std::string& error) {
  CliRequest request;
  const std::string command = object.at("command").get<std::string>();
  error = "unknown command \"" + command + "\"";
  for (const auto& [known, name] : kJobCommands) {
    if (command == name) {
      request.command = known;
      error.clear();
    }
  }
  request.port = object.at("port").get<std::string>();
  request.ports = {request.port};
  request.json = true;
  request.trace = object.value("trace", false);
  request.precise_trace = object.value("precise_trace", false);
  const std::optional<std::int64_t> parent_pid =
      whole_number(object, "parent_pid", 0, INT_MAX, 0, error);
  request.parent_pid = static_cast<int>(parent_pid.value_or(0));
  if (request.command == CliCommand::kSave && error.empty()) {
    const std::optional<std::int64_t> code =
        whole_number(object, "bitrate", 0, kBitrateHighest, std::nullopt, error);
    const std::optional<std::u16string> identifier =
        identifier_from_argument(object.at("identifier").get<std::string>());
    if (code && !identifier) {
      error = "bitrate or identifier out of range";
    } else if (code) {
      request.bitrate = static_cast<BitrateCode>(*code);
      request.identifier = *identifier;
    }
    request.verify = object.value("verify", false);
    request.line.read_before = object.value("read_before", false);
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

std::optional<std::string> port_job_input(std::istream& in, std::string& error) {
  std::string text(kPortJobRequestMax + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kPortJobRequestMax) {
    error = "the request on standard input is longer than " + std::to_string(kPortJobRequestMax) +
            " bytes: this entry takes the one small request that a run over many ports writes";
    return std::nullopt;
  }
  return text;
}

std::optional<CliRequest> port_job_request(std::string_view text, std::string& error) {
  const JsonObject object = JsonObject::parse(text, nullptr, false);
  if (!object.is_object()) {
    error = "the request on standard input is not a JSON object";
    return std::nullopt;
  }
  try {
    CliRequest request = decode(object, error);
    if (error.empty() && request.port.empty()) {
      error = "no port";
    }
    if (!error.empty()) {
      return std::nullopt;
    }
    return request;
  } catch (const JsonObject::exception& wrong) {
    error = wrong.what();
    return std::nullopt;
  }
}

}  // namespace quintrel::cli
