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

}  // namespace quintrel::cli
