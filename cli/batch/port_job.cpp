#include "cli/batch/port_job.h"

#include <array>
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
  request.parent_pid = object.value("parent_pid", 0);
  if (request.command == CliCommand::kSave) {
    const std::optional<BitrateCode> bitrate =
        bitrate_from_argument(std::to_string(object.at("bitrate").get<int>()));
    const std::optional<std::u16string> identifier =
        identifier_from_argument(object.at("identifier").get<std::string>());
    if (!bitrate || !identifier) {
      error = "bitrate or identifier out of range";
    } else {
      request.bitrate = *bitrate;
      request.identifier = *identifier;
    }
    request.verify = object.value("verify", false);
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
  }
  object["trace"] = request.trace;
  object["precise_trace"] = request.precise_trace;
  object["parent_pid"] = parent_pid;
  return json_text(object) + '\n';
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
