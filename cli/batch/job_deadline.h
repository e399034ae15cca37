// How long one port's job may run before it is taken for blocked in its driver and stopped: the
// exchanges its command makes, each allowed its three full reply stages and the pauses before the
// frame's pieces, and a margin for starting the process, opening and closing the port.
#pragma once

#include <cstdint>
#include <string>

#include "cli/cli_arguments.h"
#include "link/frame_exchange.h"

namespace quintrel::cli {

// A frame leaves in three pieces, each after its pause; the reply may use all three stages.
inline constexpr std::uint32_t kFramePieces = 3;
inline constexpr std::uint32_t kReplyStages = 3;
inline constexpr std::uint32_t kExchangeMaxMs =
    kReplyStages * kReplyStageMs + kFramePieces * kPiecePauseMs;
// Starting the child, opening the port, closing it (the kernel may wait for its output to drain)
// and, after a failed exchange, the look for other programs holding the port.
inline constexpr std::uint32_t kJobMarginMs = 3000;

// kJobMarginMs plus kExchangeMaxMs for each of the job's exchanges (its steps: read 2, save 3, 5
// with --verify, buzzer-off 1, a probe 1), unless the request sets its
// own deadline (--deadline).
std::uint32_t job_deadline_ms(const CliRequest& request);

// "17.2 s", "0.5 s", "10 s": a deadline as the messages give it.
std::string deadline_text(std::uint32_t deadline_ms);

// The default deadline in words, as --help and the Windows README.txt give it: the rule ("3 s
// plus 3.03 s for each exchange of its command") and what it gives for the shortest and the
// longest commands ("read 9.06 s, save --verify 18.15 s").
std::string default_deadline_rule();
std::string default_deadline_examples();

}  // namespace quintrel::cli
