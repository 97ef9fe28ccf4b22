#include "regbackup.h"
#include <gtest/gtest.h>
TEST(Placeholder, X) {}
