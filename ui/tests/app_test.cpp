// The start-mode parsing: which arguments make a silent run, and which make it
// a preview.
#include "app.h"

#include <gtest/gtest.h>

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
  EXPECT_TRUE(ParseStartRequest({"-Auto", "-Preview", "more"}, autoOnly).preview);

  // Misspelled: the silent mode alone, as without the second argument.
  for (const char* wrong : {"-preview", "-Preview2", "Preview", "", "/Preview"}) {
    request = ParseStartRequest({"-Auto", wrong}, autoOnly);
    EXPECT_EQ(request.mode, StartMode::Unattended) << wrong;
    EXPECT_FALSE(request.preview) << wrong;
  }
  // After a window mode, or a silent switch this program does not know, there is no preview.
  request = ParseStartRequest({"-Track", "-Preview"}, autoOnly);
  EXPECT_EQ(request.mode, StartMode::Other);
  EXPECT_FALSE(request.preview);
  EXPECT_FALSE(ParseStartRequest({"-auto", "-Preview"}, autoOnly).preview);
  EXPECT_FALSE(ParseStartRequest({"-Preview"}, autoOnly).preview);
  EXPECT_EQ(ParseStartRequest({"-Preview"}, autoOnly).mode, StartMode::Other);
}
