// The start-mode parsing: which arguments make a silent run, and which make it
// a preview.
#include "app.h"

#include <gtest/gtest.h>

#include "programs.h"

using suite::ParseStartRequest;
using suite::StartMode;

TEST(StartRequest, PreviewOnlyExactlyAfterASilentSwitch) {
  const std::vector<std::string> autoOnly{"-Auto"}, both{"-Auto", "-Track"};
  EXPECT_EQ(ParseStartRequest({}, autoOnly).mode, StartMode::None);
  EXPECT_FALSE(ParseStartRequest({}, autoOnly).preview);

  auto request = ParseStartRequest({"-Auto", "-Preview"}, autoOnly);
  EXPECT_EQ(request.mode, StartMode::Unattended);
  EXPECT_TRUE(request.preview);
  request = ParseStartRequest({"-Track", "-Preview"}, both);
  EXPECT_EQ(request.mode, StartMode::Unattended);
  EXPECT_TRUE(request.preview);
  EXPECT_FALSE(request.refused);
  EXPECT_FALSE(ParseStartRequest({"-Auto"}, autoOnly).refused);

  // Misspelled, or anything after it: refused, so that nothing runs for real.
  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {"-Auto", "-preview"}, {"-Auto", "-Preview2"}, {"-Auto", "/Preview"},
           {"-Auto", "--preview"}, {"-Auto", "Preview"}, {"-Auto", ""},
           {"-Auto", "-Preview", "more"}, {"-Track", "-Preview", "-Preview"}}) {
    request = ParseStartRequest(wrong, both);
    EXPECT_TRUE(request.refused) << wrong[1];
    EXPECT_FALSE(request.preview) << wrong[1];
  }
  // After a window mode, or a silent switch this program does not know, there is no preview.
  request = ParseStartRequest({"-Track", "-Preview"}, autoOnly);
  EXPECT_EQ(request.mode, StartMode::Other);
  EXPECT_FALSE(request.preview);
  EXPECT_FALSE(request.refused) << "window modes keep their arguments";
  EXPECT_FALSE(ParseStartRequest({"-auto", "-Preview"}, autoOnly).preview);
  EXPECT_FALSE(ParseStartRequest({"-Preview"}, autoOnly).preview);
  EXPECT_EQ(ParseStartRequest({"-Preview"}, autoOnly).mode, StartMode::Other);
}

// Each program's silent switches come from the programs table: Dustrel's
// "-Track" is silent, and no other program knows it.
TEST(StartRequest, TheSilentSwitchesOfEachProgramComeFromTheTable) {
  using suite::Program;
  using suite::SilentSwitchesOf;
  EXPECT_EQ(ParseStartRequest({"-Track"}, SilentSwitchesOf(Program::Dustrel)).mode,
            StartMode::Unattended);
  EXPECT_EQ(ParseStartRequest({"-Track"}, SilentSwitchesOf(Program::Hivemend)).mode,
            StartMode::Other);
  EXPECT_EQ(ParseStartRequest({"-Auto"}, SilentSwitchesOf(Program::Brisko)).mode,
            StartMode::Unattended);
  EXPECT_STREQ(suite::LogNameOf(Program::Dustrel, 1), "History.log");
  EXPECT_STREQ(suite::LogNameOf(Program::Brisko), "") << "the console writes no log";
}
