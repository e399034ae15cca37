#include "cli/batch/job_deadline.h"

#include <cstdio>

#include "cli/batch/step_marks.h"

namespace quintrel::cli {

std::uint32_t job_deadline_ms(const CliRequest& request) {
  if (request.deadline_ms != 0) {
    return request.deadline_ms;
  }
  return kJobMarginMs + static_cast<std::uint32_t>(job_steps(request).size()) * kExchangeMaxMs;
}

std::string deadline_text(std::uint32_t deadline_ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", deadline_ms / 1000.0);
  return text;
}

std::string default_deadline_rule() {
  return deadline_text(kJobMarginMs) + " plus " + deadline_text(kExchangeMaxMs) +
         " for each exchange of its command";
}

std::string default_deadline_examples() {
  CliRequest read;
  read.command = CliCommand::kRead;
  CliRequest save_verify;
  save_verify.command = CliCommand::kSave;
  save_verify.verify = true;
  return "read " + deadline_text(job_deadline_ms(read)) + ", save --verify " +
         deadline_text(job_deadline_ms(save_verify));
}

}  // namespace quintrel::cli
