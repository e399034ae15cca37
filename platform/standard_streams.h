// The standard streams of a program that may start with some of them closed (cron, services,
// `>&-`), and the check that its output really went out (a full disk, a closed output, a reader
// that has gone).
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace quintrel {

// Run first in main. Each of descriptors 0, 1 and 2 that is closed gets /dev/null, opened for
// reading only: no file or pipe the program opens can then take a standard descriptor's number
// (where a child's dup2 would overwrite it, or a stray write to std::cout would reach a device),
// and writing to an output the user closed still fails as closed. Linux programs only.
void hold_standard_descriptors();

// Why an output stream could not take everything written to it.
struct OutputFailure {
  bool reader_gone = false;  // a pipe whose reader has ended (EPIPE)
  std::string cause;         // "no space left on the device", "it is closed", ...
};

// Flushes out and says why it failed, or nullopt when everything went out. The program's standard
// output names the cause of its first failed write; any other stream a cause in general words.
std::optional<OutputFailure> output_failure(std::ostream& out);

}  // namespace quintrel
