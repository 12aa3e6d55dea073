// The block reader's two threads when something fails: a block that cannot be taken in, a
// text that cannot be read on.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "ini/IniBlockPipeline.h"

namespace {

// An endless log: one header, then numbered items.
class EndlessText {
 public:
  size_t Fill(char* p, size_t cb) {
    for (size_t i = 0; i < cb; ++i) {
      if (m_next >= m_line.size()) {
        m_line = "k" + std::to_string(m_cLines++) + "=1\n";
        m_next = 0;
      }
      p[i] = m_line[m_next++];
    }
    m_cbGiven += cb;
    return cb;
  }
  size_t m_cbGiven = 0;

 private:
  std::string m_line = "[S]\n";
  size_t m_next = 0;
  size_t m_cLines = 0;
};

TEST(IniBlockPipeline, StopsReadingWhenABlockCannotBeTakenIn) {
  EndlessText text;
  int cTaken = 0;
  IniBlockPipeline pipeline([&text](char* p, size_t cb) { return text.Fill(p, cb); },
                            [&cTaken](const IniTextBlock& block) {
                              ASSERT_FALSE(block.Lines().empty());
                              if (++cTaken == 3) throw std::runtime_error("full");
                            });
  EXPECT_THROW(pipeline.Run(), std::runtime_error);
  EXPECT_EQ(cTaken, 3);
  // The parsing thread stopped too: it reads ahead a few blocks at most.
  EXPECT_LT(text.m_cbGiven, 16u << 20);
}

TEST(IniBlockPipeline, TakesInWhatWasReadBeforeTheTextFailed) {
  EndlessText text;
  std::string lastKey;
  IniBlockPipeline pipeline(
      [&text](char* p, size_t cb) {
        if (text.m_cbGiven >= (5u << 20)) throw std::runtime_error("unreadable");
        return text.Fill(p, cb);
      },
      [&lastKey](const IniTextBlock& block) { lastKey = block.Key(block.Lines().back()); });
  EXPECT_THROW(pipeline.Run(), std::runtime_error);
  // Every whole line up to the failure was taken in: about 5 MB of 8-byte lines.
  ASSERT_EQ(lastKey.front(), 'k');
  EXPECT_GT(std::stoul(lastKey.substr(1)), 450000u);
}

}  // namespace
