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

// The key's text; nlohmann's message for a missing key or a value that is not a string.
Result<std::string> text_field(const JsonObject& object, const char* key) {
  try {
    return object.at(key).get<std::string>();
  } catch (const JsonObject::exception& wrong) {
    return Failure{wrong.what()};
  }
}

// The key's flag, false when it is missing; nlohmann's message for a value that is not one.
Result<bool> flag_field(const JsonObject& object, const char* key) {
  try {
    return object.value(key, false);
  } catch (const JsonObject::exception& wrong) {
    return Failure{wrong.what()};
  }
}

// What a save adds: bitrate, identifier, verify and read_before. A value out of its range comes to
// light after a field of the wrong type, which is reported instead.
Result<void> decode_save(const JsonObject& object, CliRequest& request) {
  const Result<std::int64_t> code = whole_number(object, "bitrate", 0, kBitrateHighest, {});
  const Result<std::string> identifier_text = text_field(object, "identifier");
  if (!identifier_text) {
    return Failure{identifier_text.error()};
  }
  const std::optional<std::u16string> identifier = identifier_from_argument(*identifier_text);
  const Result<bool> verify = flag_field(object, "verify");
  if (!verify) {
    return Failure{verify.error()};
  }
  const Result<bool> read_before = flag_field(object, "read_before");
  if (!read_before) {
    return Failure{read_before.error()};
  }
  if (!code) {
    return Failure{code.error()};
  }
  if (!identifier) {
    return Failure{"bitrate or identifier out of range"};
  }
  request.bitrate = static_cast<BitrateCode>(*code);
  request.identifier = *identifier;
  request.verify = *verify;
  request.line.read_before = *read_before;
  return {};
}

// The request's fields into the CliRequest. A field of the wrong type is reported before a value
// out of range, and that before an unknown command.
Result<CliRequest> decode(const JsonObject& object) {
  const Result<std::string> command = text_field(object, "command");
  if (!command) {
    return Failure{command.error()};
  }
  const Result<std::string> port = text_field(object, "port");
  const Result<bool> trace = port ? flag_field(object, "trace") : Result<bool>(false);
  const Result<bool> precise_trace = trace ? flag_field(object, "precise_trace") : trace;
  for (const std::string& wrong : {port.error(), trace.error(), precise_trace.error()}) {
    if (!wrong.empty()) {
      return Failure{wrong};
    }
  }
  const Result<std::int64_t> parent_pid = whole_number(object, "parent_pid", 0, INT_MAX, 0);
  if (!parent_pid) {
    return Failure{parent_pid.error()};
  }
  const auto known = std::find_if(kJobCommands.begin(), kJobCommands.end(),
                                  [&command](const auto& job) { return *command == job.second; });
  if (known == kJobCommands.end()) {
    return Failure{"unknown command \"" + *command + "\""};
  }
  CliRequest request;
  request.command = known->first;
  request.port = *port;
  request.ports = {request.port};
  request.json = true;
  request.trace = *trace;
  request.precise_trace = *precise_trace;
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
  return decode(object);
}

}  // namespace quintrel::cli
