#include "sim/state_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "platform/linux/linux_private_file.h"

namespace quintrel::sim {
namespace {

namespace fs = std::filesystem;

class StateFileTest : public testing::Test {
 protected:
  StateFileTest() {
    dir = fs::temp_directory_path() / ("quintrel-state-" + std::to_string(getpid()));
    fs::create_directories(dir);
    file = dir / "device.state";
    fs::remove(file);
  }
  ~StateFileTest() override { fs::remove_all(dir); }

  void write(const std::string& text) { std::ofstream(file) << text; }

  fs::path dir;
  fs::path file;
};

TEST_F(StateFileTest, SavedValuesLoadBackAndNoTemporaryIsLeft) {
  // A link planted at a name known in advance must lead nowhere: the victim stays as it is.
  std::ofstream(dir / "victim") << "kept";
  fs::create_symlink(dir / "victim", file.string() + ".tmp");
  ASSERT_EQ(save_state(file, {.bitrate_code = 1, .identifier = 0x5A}).error(), "");
  std::ifstream in(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "bitrate_code=1\nidentifier=5A\n");
  EXPECT_FALSE(fs::is_symlink(file));
  EXPECT_EQ(fs::file_size(dir / "victim"), 4u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3);  // the file, the link, the victim

  const auto loaded = load_state(file);
  ASSERT_TRUE(loaded && loaded.value());
  EXPECT_EQ(*loaded.value(), (DeviceValues{.bitrate_code = 1, .identifier = 0x5A}));
}

TEST_F(StateFileTest, MissingFileHasNoValues) {
  const auto loaded = load_state(file);
  ASSERT_TRUE(loaded);
  EXPECT_FALSE(loaded.value().has_value());
}

TEST_F(StateFileTest, BrokenFilesAreRefusedAndLeaveTheValues) {
  for (const char* text :
       {"bitrate_code=7\nidentifier=7FF\n", "bitrate_code=3\n", "bitrate_code=3\nidentifier=xyz\n",
        "bitrate_code=3\nidentifier=7FF\nx\n", "bitrate_code=3\nidentifier=123456789\n"}) {
    SCOPED_TRACE(text);
    write(text);
    const auto loaded = load_state(file);
    ASSERT_FALSE(loaded);
    EXPECT_NE(loaded.error().find(file.string()), std::string::npos);
  }
}

TEST_F(StateFileTest, UnwritablePlaceIsReportedAndACommitThereIsRefused) {
  const fs::path gone = dir / "no-such-dir" / "state";
  EXPECT_EQ(save_state(gone, {}).error(),
            gone.string() + ": no file can be made beside it: No such file or directory");
  EXPECT_EQ(unwritable_place_reason(gone), "No such file or directory");
  EXPECT_EQ(unwritable_place_reason(file), "");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 0);

  DeviceModel model;
  model.store_commits_with(
      [&](const DeviceValues& values) { return save_state(gone, values).ok(); });
  EXPECT_EQ(model.answer("ccid 5"), "OK");
  EXPECT_EQ(model.answer("ppw3916"), "NG");
  EXPECT_EQ(model.committed(), DeviceValues{});
}

}  // namespace
}  // namespace quintrel::sim
