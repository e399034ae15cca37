#include "link/tracing_port.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/fake_link.h"
#include "tests/support/hex.h"

namespace quintrel {
namespace {

class TracingTest : public testing::Test {
 protected:
  TracingTest() {
    auto prepared = std::make_unique<test::FakeSerialPort>(clock);
    fake = prepared.get();
    inner.next_port = std::move(prepared);
    port = tracing.open_exclusive(u"/dev/ttyUSB0").port;
  }

  // The trace counts from its own start, not from the clock's zero.
  test::VirtualClock clock = [] {
    test::VirtualClock started;
    started.now = 5000;
    return started;
  }();
  test::FakeBackend inner;
  std::ostringstream out;
  TracingBackend tracing{inner, out, clock};
  test::FakeSerialPort* fake = nullptr;
  std::unique_ptr<SerialPort> port;
};

TEST_F(TracingTest, OneLinePerFrameEachWayWithItsStartTime) {
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(inner.opened_names, std::vector<std::u16string>{u"/dev/ttyUSB0"});
  port->purge();
  clock.now += 10;
  port->write(test::bytes_from_hex("02"));
  clock.now += 10;
  port->write(test::bytes_from_hex("63 63 65 62 72"));
  clock.now += 10;
  port->write(test::bytes_from_hex("03 76"));
  fake->arrive_at(clock.now + 3, test::bytes_from_hex("41 02 33 03 30 99"));
  std::uint8_t byte = 0;
  std::vector<std::uint8_t> read;
  for (int i = 0; i < 20; ++i) {
    if (port->read_byte(byte)) {
      read.push_back(byte);
    }
  }
  EXPECT_EQ(test::hex_of(read), "41 02 33 03 30 99");
  port.reset();  // what came after the frame is written out at the close

  EXPECT_EQ(out.str(),
            "      10 ms  -> 02 63 63 65 62 72 03 76\n"
            "      33 ms  <- 41 02 33 03 30\n"
            "      33 ms  <- 99\n");
}

TEST_F(TracingTest, FailedWriteIsMarkedAndOpenFailurePassesThrough) {
  fake->write_script = {std::nullopt};
  port->write(test::bytes_from_hex("02"));
  port->purge();
  EXPECT_EQ(out.str(), "       0 ms  -> (write failed)\n");

  EXPECT_EQ(tracing.open_exclusive(u"COM9").port, nullptr);  // the fake has no second device
  EXPECT_EQ(out.str(), "       0 ms  -> (write failed)\n");
}

// Microseconds that advance only when the test says so.
class SteppedMicroseconds final : public MicrosecondClock {
 public:
  std::uint64_t now_us() override { return now; }
  std::uint64_t now = 0;
};

TEST(PreciseTracing, MarksEachPurgeAndStampsFirstAndLastByteInMicroseconds) {
  test::VirtualClock virtual_ms;
  SteppedMicroseconds clock;
  clock.now = 81234512;  // a shared clock's own zero: the trace prints it as it is
  test::FakeBackend inner;
  auto prepared = std::make_unique<test::FakeSerialPort>(virtual_ms);
  test::FakeSerialPort* fake = prepared.get();
  inner.next_port = std::move(prepared);
  std::ostringstream out;
  TracingBackend tracing{inner, out, clock};
  std::unique_ptr<SerialPort> port = tracing.open_exclusive(u"/dev/ttyUSB0").port;
  ASSERT_NE(port, nullptr);

  // Each write takes 5 us: a sent byte is stamped when its write began.
  fake->on_write = [&clock](const std::vector<std::uint8_t>&) { clock.now += 5; };
  port->purge();
  clock.now += 10089;
  port->write(test::bytes_from_hex("02"));
  clock.now += 10100;
  port->write(test::bytes_from_hex("63 63 65 62 72"));
  clock.now += 10144;
  port->write(test::bytes_from_hex("03 76"));
  fake->arrive_at(0, test::bytes_from_hex("02 33 03 30"));
  std::uint8_t byte = 0;
  for (int i = 0; i < 4; ++i) {
    clock.now += i == 0 ? 77 : 3;  // the last byte read 9 us after the first
    ASSERT_TRUE(port->read_byte(byte));
  }
  port->purge();
  fake->write_script = {std::nullopt};
  clock.now += 10000;
  port->write(test::bytes_from_hex("02"));
  port.reset();

  EXPECT_EQ(out.str(),
            "     81234.512 ms  purge\n"
            "     81244.601 ms ..      81264.855 ms  -> 02 63 63 65 62 72 03 76\n"
            "     81264.937 ms ..      81264.946 ms  <- 02 33 03 30\n"
            "     81264.946 ms  purge\n"
            "     81274.946 ms ..      81274.946 ms  -> (write failed)\n");
}

}  // namespace
}  // namespace quintrel
