#include "base/fatal.h"

#include <gtest/gtest.h>

#include <cstring>

#include "archive/run_state.h"
#include "base/memory.h"
#include "tests/support/scripted_front_end.h"
#include "tests/support/test_paths.h"

namespace {

const struct {
  int16_t code;
  const char* text;
} kTexts[] = {
    {1, "Error Reading SFX File"},
    {2, "Not enough memory"},
    {3, "VEXORIN completed normally"},
    {4, "Stopped at your request"},
    {5, "Output directory not available"},
    {6, "Unable to create output directory"},
    {7, "Error opening output file"},
    {8, "Error reading SFX file"},
    {9, "Error writing output file"},
    {10, "Data integrity error -- run stopped"},
    {11, "File type not supported"},
    {12, "CRC error -- SFX stopped"},
    {0, "Unexplained Error"},
    {13, "Unexplained Error"},
    {-1, "Unexplained Error"},
};

class FatalExit : public ::testing::Test {
 protected:
  void SetUp() override {
    front_end.reset();
    copy_text(run_.paths.start_dir, sizeof run_.paths.start_dir, saved_.string().c_str());
    copy_text(run_.paths.window_caption, sizeof run_.paths.window_caption, "setup.exe");
  }
  void TearDown() override { fs::current_path(saved_); }
  fs::path saved_ = fs::current_path();
  RunState run_;
  ScriptedInstallation installation_{run_};
};

TEST_F(FatalExit, ShowsTheExactTextReturnsToStartAndEndsWithStatusOne) {
  TempDir elsewhere;
  for (const auto& row : kTexts) {
    SCOPED_TRACE(row.code);
    fs::current_path(elsewhere.path());
    front_end.messages.clear();
    try {
      fatal_exit(row.code);
      FAIL() << "fatal_exit returned";
    } catch (const ProcessExit& exit) {
      EXPECT_EQ(exit.status, 1);
    }
    ASSERT_EQ(front_end.messages.size(), 1u);
    EXPECT_EQ(front_end.messages[0], row.text);
    EXPECT_TRUE(fs::equivalent(fs::current_path(), saved_));
  }
}

TEST_F(FatalExit, CodesOneAndEightDifferInCaseOnly) {
  EXPECT_STRNE(exit_code_text(1), exit_code_text(8));
  EXPECT_EQ(strcasecmp(exit_code_text(1), exit_code_text(8)), 0);
}

using FatalExitDeathTest = FatalExit;

TEST_F(FatalExitDeathTest, EndsTheRealProcessWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (int16_t code : {int16_t{3}, int16_t{12}, int16_t{13}}) {
    EXPECT_EXIT(
        {
          front_end.exit_for_real = true;
          fatal_exit(code);
        },
        ::testing::ExitedWithCode(1), exit_code_text(code));
  }
}

TEST_F(FatalExit, ConfirmCancelAsksOnlyWhenPending) {
  run_.cancel_requested = 0;
  confirm_cancel(run_);
  EXPECT_TRUE(front_end.questions.empty());

  run_.cancel_requested = 1;
  front_end.answers = {false};
  confirm_cancel(run_);
  ASSERT_EQ(front_end.questions.size(), 1u);
  EXPECT_EQ(front_end.questions[0].text, "Are You Sure You Want To Cancel?");
  EXPECT_EQ(front_end.questions[0].caption, "setup.exe");
  EXPECT_EQ(run_.cancel_requested, 0);
  confirm_cancel(run_);  // No cleared the request: no second question
  EXPECT_EQ(front_end.questions.size(), 1u);

  run_.cancel_requested = 1;
  front_end.answers = {true};
  try {
    confirm_cancel(run_);
    FAIL() << "Yes must end the run";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.status, 1);
  }
  EXPECT_EQ(front_end.messages.back(), "Stopped at your request");
}

TEST(Allocation, ZeroFilled) {
  ZeroedBlock<unsigned char> block(static_cast<unsigned char*>(alloc_zeroed(100000)));
  for (uint32_t i = 0; i < 100000; i += 997) ASSERT_EQ(block.get()[i], 0);
  unsigned char bytes[5] = {1, 2, 3, 4, 5};
  zero_fill(bytes, 4);
  EXPECT_EQ(bytes[3], 0);
  EXPECT_EQ(bytes[4], 5);
}

}  // namespace
