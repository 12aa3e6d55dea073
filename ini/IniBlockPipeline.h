// Reads INI text in blocks and parses each block on a second thread while the caller takes
// in the block before, so that reading a large log costs about as much as the slower of the
// two halves. A text that fits in one block, or a system that refuses the thread, is
// handled on the calling thread alone. Either way the caller gets every block in order, on
// its own thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ini/IniTextBlock.h"

class IniBlockPipeline {
 public:
  // Puts up to cb bytes at p and returns how many; fewer means the text ends there.
  using Fill = std::function<size_t(char* p, size_t cb)>;
  // Takes in one parsed block; may throw, which stops the reading.
  using Take = std::function<void(const IniTextBlock& block)>;

  // The size of a block: about what a core's own cache holds, so a block is still near
  // when it is taken in, and large enough that handing it over costs nothing next to
  // parsing it.
  static constexpr size_t kBlockSize = 1024 * 1024;

  IniBlockPipeline(Fill fill, Take take);
  IniBlockPipeline(const IniBlockPipeline&) = delete;
  IniBlockPipeline& operator=(const IniBlockPipeline&) = delete;

  // Reads, parses and hands over the whole text; rethrows what the parsing thread threw.
  void Run();

 private:
  // Fills the block after the carried line and parses it; true when the text ended in it.
  bool Produce(IniTextBlock& block);
  void RunAlone(IniTextBlock& block);
  void ProduceAll();  // the parsing thread
  // Hands a parsed block from the parsing thread over; false when the caller has stopped.
  bool Hand(IniTextBlock* pBlock);

  Fill m_fill;
  Take m_take;
  std::string m_strCarried;  // the line cut by the end of the last block filled

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::unique_ptr<IniTextBlock>> m_blocks;
  std::vector<IniTextBlock*> m_free;  // blocks the parsing thread may fill
  std::deque<IniTextBlock*> m_ready;  // parsed blocks in order, oldest first
  bool m_bProduced = false;           // the parsing thread has handed over its last block
  bool m_bStopped = false;            // the caller wants no more blocks
  std::exception_ptr m_error;         // what stopped the parsing thread
};
