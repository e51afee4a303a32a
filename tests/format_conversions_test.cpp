#include <gtest/gtest.h>

#include "convert/spaces.h"

namespace kestrum {
namespace {

TEST(ConvertSpaces, Placeholder) { SUCCEED(); }

}  // namespace
}  // namespace kestrum
