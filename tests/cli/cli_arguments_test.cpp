#include "cli/cli_arguments.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "cli/batch/job_deadline.h"
#include "tests/cli/parsed_arguments.h"

namespace quintrel::cli {
namespace {

TEST(IdentifierArgument, SentAsTheFieldWouldHoldIt) {
  const struct {
    const char* typed;
    std::optional<std::u16string> sent;
  } cases[] = {
      {"7FF", u"7FF"},       {"7ff", u"7FF"},        {"07f", u"7F"},
      {"0", u"0"},           {"000", u"0"},          {"1a", u"1A"},
      {"00007FF", u"7FF"},   {"800", std::nullopt},  {"FFF", std::nullopt},
      {"", std::nullopt},    {"0x7F", std::nullopt}, {"7G", std::nullopt},
      {" 7F", std::nullopt}, {"-1", std::nullopt},   {"1FFFFFFFF", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(identifier_from_argument(c.typed), c.sent);
  }
}

TEST(BitrateArgument, ListTextsOrCodes) {
  const struct {
    const char* typed;
    std::optional<BitrateCode> code;
  } cases[] = {
      {"0", 0},
      {"4", 4},
      {"CAN Invalid", 0},
      {"125kbps", 1},
      {"250KBPS", 2},
      {"500kbps", 3},
      {"1Mbps", 4},
      {"1mbps", 4},
      {"5", std::nullopt},
      {"-1", std::nullopt},
      {"500", std::nullopt},
      {"", std::nullopt},
      {"03", std::nullopt},
      {"500kbps ", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(bitrate_from_argument(c.typed), c.code);
  }
}

TEST(DeadlineArgument, SecondsWithinTheBoundsAsMilliseconds) {
  EXPECT_EQ(deadline_from_argument("18.15"), 18150u);
  EXPECT_EQ(deadline_from_argument("0.1"), 100u);
  EXPECT_EQ(deadline_from_argument("3600"), 3600000u);
  for (const char* refused : {"0", "0.09", "3600.5", "-1", "5s", "nan", "inf", "", " 5"}) {
    EXPECT_FALSE(deadline_from_argument(refused)) << refused;
  }
}

// The zip's README.txt states the default deadlines in wrapped lines: compared with each run of
// white space as one space.
TEST(DeadlineArgument, TheWindowsReadmeStatesTheDefaultsTheProgramUses) {
  std::ifstream file(QUINTREL_WINDOWS_README);
  std::string text;
  for (std::string word; file >> word;) {
    text += word + ' ';
  }
  EXPECT_NE(text.find(default_deadline_rule() + " to finish (" + default_deadline_examples()),
            std::string::npos)
      << text;
}

TEST(ParseCliArguments, CommandsAndTheirOptions) {
  Parsed save = parse(
      {"save", "-p", "/dev/ttyUSB0", "--bitrate", "500kbps", "--id", "07f", "--verify", "--trace"});
  ASSERT_TRUE(save.request) << save.err;
  EXPECT_EQ(save.exit_code, 0);
  EXPECT_EQ(save.request->command, CliCommand::kSave);
  EXPECT_EQ(save.request->port, "/dev/ttyUSB0");
  EXPECT_EQ(save.request->bitrate, 3);
  EXPECT_EQ(save.request->identifier, u"7F");
  EXPECT_TRUE(save.request->verify);
  EXPECT_TRUE(save.request->trace);

  Parsed read = parse({"--trace", "read", "--port", "COM3(USB Serial)", "--json"});
  ASSERT_TRUE(read.request) << read.err;
  EXPECT_EQ(read.request->command, CliCommand::kRead);
  EXPECT_EQ(read.request->port, "COM3(USB Serial)");
  EXPECT_TRUE(read.request->json);
  EXPECT_TRUE(read.request->trace);

  EXPECT_FALSE(read.request->precise_trace);

  Parsed buzzer = parse({"buzzer-off", "-p", "ttyACM0", "--precise-trace"});
  ASSERT_TRUE(buzzer.request);
  EXPECT_EQ(buzzer.request->command, CliCommand::kBuzzerOff);
  EXPECT_TRUE(buzzer.request->precise_trace);

  Parsed ports = parse({"ports"});
  ASSERT_TRUE(ports.request);
  EXPECT_EQ(ports.request->command, CliCommand::kPorts);
  EXPECT_FALSE(ports.request->trace);

  Parsed many = parse({"buzzer-off", "-p", "COM3", "--port", "COM4", "--json"});
  ASSERT_TRUE(many.request) << many.err;
  EXPECT_EQ(many.request->ports, (std::vector<std::string>{"COM3", "COM4"}));
  EXPECT_EQ(many.request->port, "");
  EXPECT_TRUE(parse({"read", "--found"}).request->found);
  Parsed probe = parse({"ports", "--probe", "--match", "usb:0403:6001", "--json"});
  ASSERT_TRUE(probe.request) << probe.err;
  EXPECT_TRUE(probe.request->probe);
  EXPECT_EQ(probe.request->match, "usb:0403:6001");
}

TEST(ParseCliArguments, HelpAndVersionExitZero) {
  Parsed version = parse({"--version"});
  EXPECT_FALSE(version.request);
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out, "quintrel-cli 2.0\n");

  const struct {
    std::vector<const char*> args;
    const char* mentions;
  } helps[] = {{{"--help"}, "buzzer-off"},      {{"save", "--help"}, "--verify"},
               {{"help"}, "buzzer-off"},        {{"--trace", "help", "save"}, "--verify"},
               {{"read", "--help"}, "--trace"}, {{"-V"}, "quintrel-cli 2.0"}};
  for (const auto& help_case : helps) {
    Parsed help = parse(help_case.args);
    EXPECT_FALSE(help.request);
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find(help_case.mentions), std::string::npos) << help.out;
  }
}

TEST(ParseCliArguments, UsageErrorsExitTwoAndExplainThemselves) {
  const std::vector<std::vector<const char*>> cases = {
      {},
      {"frobnicate"},
      {"read", "-p"},
      {"save", "-p", "x", "--bitrate", "3"},
      {"save", "-p", "x", "--id", "7FF"},
      {"save", "-p", "x", "--bitrate", "9", "--id", "7FF"},
      {"save", "-p", "x", "--bitrate", "3", "--id", "800"},
      {"save", "-p", "x", "--bitrate", "3", "--id", "0x7F"},
      {"read", "-p", "x", "--verify"},
      {"ports", "read"},
      {"ports", "-p", "COM3"},
      {"ports", "--match", "COM*"},
      // What only a child's request on standard input can ask for.
      {"read", "-p", "x", "--parent-pid", "1"},
      {"port-job", "-p", "COM3"},
  };
  for (const auto& args : cases) {
    std::string joined;
    for (const char* arg : args) {
      joined += std::string(arg) + " ";
    }
    SCOPED_TRACE(joined);
    Parsed parsed = parse(args);
    EXPECT_FALSE(parsed.request);
    EXPECT_EQ(parsed.exit_code, 2);
    EXPECT_FALSE(parsed.err.empty());
  }
}

TEST(ParseCliArguments, UnknownAndStrayWordsAreNamed) {
  const struct {
    std::vector<const char*> args;
    const char* said;  // the first line on err
  } cases[] = {
      {{}, "a command is required: ports, read, save, buzzer-off and record"},
      {{"reed"}, "unknown command 'reed'; did you mean 'read'?"},
      {{"foo"}, "unknown command 'foo'; the commands are ports, read, save, buzzer-off and record"},
      {{"--bogus"},
       "unknown option '--bogus'; its options are -h, --help, -V, --version, "
       "--trace and --precise-trace"},
      {{"read", "--fonud"}, "unknown option '--fonud' of 'read'; did you mean '--found'?"},
      {{"read", "-p", "X", "extra"},
       "'extra' is neither an option nor a port of 'read': give each port its own -p (-p A -p "
       "B), or quote a glob ('COM*') so that quintrel-cli matches it against the port list"},
      // An expanded glob's files are taken; the word after them that names none is the slip.
      {{"read", "-p", "X", "/", "stray"},
       "'stray' is neither an option nor a port of 'read': give each port its own -p (-p A -p "
       "B), or quote a glob ('COM*') so that quintrel-cli matches it against the port list"},
      {{"read", "-p", "--json"}, "--port: takes a port, not the option --json"},
      {{"read", "-p"}, "--port needs a value after it"},
      {{"save", "-p", "x", "--bitrate", "500k", "--id", "1"},
       "--bitrate: takes 125kbps, 250kbps, 500kbps, 1Mbps, \"CAN Invalid\" (in any case) or a "
       "code 0..4, not \"500k\""},
      {{"save", "-p", "x", "--bitrate", "1", "--id", "1", "--id", "2"},
       "--id is given 2 times; give it once"},
      {{"ports", "--probe", "--match", "A", "-p", "B"},
       "--match and -p both choose the ports to probe; give one of them (-p takes a glob over "
       "the list too)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    const Parsed parsed = parse(c.args);
    EXPECT_EQ(parsed.exit_code, 2);
    EXPECT_EQ(parsed.err.substr(0, parsed.err.find('\n')), c.said);
  }
  // What an unquoted glob expands to: each word a file that exists.
  const Parsed expanded = parse({"read", "-p", ".", "..", "--json"});
  ASSERT_TRUE(expanded.request) << expanded.err;
  EXPECT_EQ(expanded.request->ports, (std::vector<std::string>{".", ".."}));
}

}  // namespace
}  // namespace quintrel::cli
