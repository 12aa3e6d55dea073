// Random sequences of client operations against the plain reference model of the install
// log: every answer and the saved text agree.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "installlog/LogFile.h"
#include "installlog/tests/FakeInstallPlatform.h"
#include "installlog/tests/LogModel.h"

namespace {

TEST(LogFileModel, RandomOperationsAgreeWithThePlainModel) {
  const std::vector<std::string> components = {"Install",   "A", "a",  "B",      "a_B",
                                               "A_b_FILES", "C", "_x", "Driver", ""};
  const std::vector<std::string> items = {"A",   "b",     "B",  "C", "a_B", "Install", "x",
                                          "k=v", "K=w=1", "=z", "",  "_x",  "READ me"};
  const std::vector<std::string> values = {"", "0", "-1", "1", "2", " 7", "x", "2x"};
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const auto pick = [&](const std::vector<std::string>& from) {
      return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng)];
    };
    FakeInstallPlatform platform;
    LogFile log(platform);
    LogModel model;
    for (int step = 0; step < 400; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      const int type = std::uniform_int_distribution<int>(-1, 9)(rng);
      const std::string c = pick(components), item = pick(items);
      switch (std::uniform_int_distribution<int>(0, 9)(rng)) {
        case 0:
        case 1:
          ASSERT_EQ(log.AddItem(type, c, item), model.AddItem(type, c, item));
          break;
        case 2: {
          const std::string v = pick(values);
          ASSERT_EQ(log.SetValue(c, item, v), model.SetValue(c, item, v));
          break;
        }
        case 3:
          ASSERT_EQ(log.RemoveItem(type, c, item), model.RemoveItem(type, c, item));
          break;
        case 4:
          ASSERT_TRUE(log.RemoveComponent(c));
          ASSERT_TRUE(model.RemoveComponent(c));
          break;
        case 5:
          ASSERT_EQ(log.GetParent(c), model.GetParent(c));
          ASSERT_EQ(log.IsInstalled(c), model.IsInstalled(c));
          break;
        case 6:
          ASSERT_EQ(log.HasItem(type, c, item), model.HasItem(type, c, item));
          break;
        case 7:
          ASSERT_EQ(log.GetSpecialItem(type, c, item), model.GetSpecialItem(type, c, item));
          break;
        case 8:
          ASSERT_EQ(log.GetMatchingItem(type, c, item), model.GetMatchingItem(type, c, item));
          break;
        default:
          ASSERT_EQ(log.GetAllItems(type, c), model.GetAllItems(type, c));
          break;
      }
      ASSERT_EQ(log.ToText(), model.Text());
    }
  }
}

}  // namespace
