#include "sim/fault_options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>

#include "sim/option_checks.h"

namespace quintrel::sim {

namespace {

constexpr char kRandom[] = "random";
constexpr std::uint64_t kMaxReplies = std::numeric_limits<int>::max();
constexpr std::uint64_t kMaxSeed = std::numeric_limits<std::uint64_t>::max();

// "[K:]VALUE" taken apart; the validator has checked K.
struct Scoped {
  int device = 0;  // 0: every device
  std::string value;
};

Scoped scoped(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) {
    return {0, text};
  }
  return {std::stoi(text.substr(0, colon)), text.substr(colon + 1)};
}

std::optional<double> rate_from(const std::string& text) {
  double rate = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
  if (error != std::errc() || end != text.data() + text.size() || rate < 0 || rate > 1) {
    return std::nullopt;
  }
  return rate;
}

std::string devices_up_to(int count) {
  return " is not a device number from 1 to " + std::to_string(count);
}

// Checks "[K:]VALUE", where good checks the VALUE.
CLI::Validator per_device(const std::string& accepted, Check good) {
  return CLI::Validator(
      [accepted, good](std::string& text) -> std::string {
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) {
          return good(text) ? "" : text + " is not " + accepted;
        }
        const std::string device = text.substr(0, colon);
        const std::string value = text.substr(colon + 1);
        if (!numbers(1, kMaxDevices)(device)) {
          return text + ": " + device + devices_up_to(kMaxDevices);
        }
        return good(value) ? "" : text + ": " + value + " is not " + accepted;
      },
      "");
}

using Setter = std::function<void(FaultSchedule&, const std::string&)>;

// Hands each value of one option to set, for every device or for the one named; a device's own
// value wins over the one for every device, whatever their order.
Result<void> apply(const std::string& option, const std::vector<std::string>& texts, int count,
                   std::vector<FaultSchedule>& schedules, const Setter& set) {
  std::vector<bool> given(schedules.size() + 1, false);
  for (const bool own : {false, true}) {
    for (const std::string& text : texts) {
      const auto [device, value] = scoped(text);
      if ((device > 0) != own) {
        continue;
      }
      if (device > 0 && count == 0) {
        return Failure{option + ": " + text + ": a device number needs --count"};
      }
      if (device > count) {
        return Failure{option + ": " + text + ": " + std::to_string(device) + devices_up_to(count)};
      }
      if (given[static_cast<std::size_t>(device)]) {
        return Failure{option + ": " + text + ": a second value for " +
                       (device > 0 ? "device " + std::to_string(device) : "every device") +
                       "; give one"};
      }
      given[static_cast<std::size_t>(device)] = true;
      for (std::size_t at = 0; at < schedules.size(); ++at) {
        if (device == 0 || static_cast<std::size_t>(device) == at + 1) {
          set(schedules[at], value);
        }
      }
    }
  }
  return {};
}

}  // namespace

CLI::Option* add_fault_options(CLI::App& app, FaultTexts& given) {
  std::vector<std::string> modes;
  std::string mode_list;
  for (const std::string_view name : fault_names()) {
    modes.emplace_back(name);
    mode_list += (mode_list.empty() ? "" : ", ") + modes.back();
  }
  modes.emplace_back(kRandom);
  mode_list += std::string(", ") + kRandom;
  app.add_option("--fault", given.faults, "Misbehave on replies: " + mode_list)
      ->check(per_device("a fault mode (" + mode_list + ")",
                         [modes](const std::string& mode) {
                           return std::find(modes.begin(), modes.end(), mode) != modes.end();
                         }))
      ->allow_extra_args(false)
      ->option_text("[K:]MODE");
  app.add_option("--fault-from", given.firsts, "First faulty reply, counting from 1")
      ->check(per_device("a reply number from 1 up", numbers(1, kMaxReplies)))
      ->allow_extra_args(false)
      ->option_text("[K:]N (default 1)");
  app.add_option("--fault-count", given.counts, "Number of faulty replies (0: all)")
      ->check(per_device("a number of replies from 0 up", numbers(0, kMaxReplies)))
      ->allow_extra_args(false)
      ->option_text("[K:]N (default 0)");
  app.add_option("--fault-rate", given.rates,
                 "random: the share of the replies that get a fault, drawn per reply")
      ->check(per_device("a share from 0 to 1",
                         [](const std::string& rate) { return rate_from(rate).has_value(); }))
      ->allow_extra_args(false)
      ->option_text("[K:]P (default 0.1)");
  return app
      .add_option("--seed", given.seed,
                  "random: the seed of the draws; the same seed plays the same faults again")
      ->check(accepts("a whole number from 0 to " + std::to_string(kMaxSeed), numbers(0, kMaxSeed)))
      ->option_text("S (default 1)");
}

Result<void> spread_faults(const FaultTexts& given, SimOptions& options) {
  struct FaultOption {
    const char* name;
    const std::vector<std::string>& texts;
    Setter set;
  };
  const FaultOption fault_options[] = {
      {"--fault", given.faults,
       [](FaultSchedule& schedule, const std::string& mode) {
         schedule.random = mode == kRandom;
         schedule.mode = schedule.random ? FaultMode::kNone : *fault_from_name(mode);
       }},
      {"--fault-from", given.firsts,
       [](FaultSchedule& schedule, const std::string& first) {
         schedule.first = std::stoi(first);
       }},
      {"--fault-count", given.counts,
       [](FaultSchedule& schedule, const std::string& count) {
         schedule.count = std::stoi(count);
       }},
      {"--fault-rate", given.rates,
       [](FaultSchedule& schedule, const std::string& rate) { schedule.rate = *rate_from(rate); }},
  };
  options.faults.resize(static_cast<std::size_t>(std::max(options.count, 1)));
  for (const FaultOption& option : fault_options) {
    if (Result<void> applied =
            apply(option.name, option.texts, options.count, options.faults, option.set);
        !applied) {
      return applied;
    }
  }
  for (FaultSchedule& schedule : options.faults) {
    schedule.seed = given.seed;
  }
  return {};
}

}  // namespace quintrel::sim
