// The two-thread block reader; see IniBlockPipeline.h.
#include "ini/IniBlockPipeline.h"

#include <system_error>
#include <thread>
#include <utility>

namespace {

// One being filled, one being taken in, one ready in between.
constexpr size_t kBlocks = 3;

}  // namespace

IniBlockPipeline::IniBlockPipeline(Fill fill, Take take)
    : m_fill(std::move(fill)), m_take(std::move(take)) {}

bool IniBlockPipeline::Produce(IniTextBlock& block) {
  block.Restart(m_strCarried);
  bool bLast;
  for (;;) {
    const size_t cbRoom = block.RoomSize();
    const size_t cb = m_fill(block.Room(), cbRoom);
    block.Added(cb);
    bLast = cb < cbRoom;
    if (bLast || block.HasWholeLine()) break;
    block.Grow();  // one line longer than the block
  }
  block.Parse(bLast);
  m_strCarried.assign(block.Unparsed());
  return bLast;
}

void IniBlockPipeline::Run() {
  m_blocks.push_back(std::make_unique<IniTextBlock>(kBlockSize));
  IniTextBlock& first = *m_blocks.front();
  if (Produce(first)) {
    m_take(first);
    return;
  }
  for (size_t i = 1; i < kBlocks; ++i) {
    m_blocks.push_back(std::make_unique<IniTextBlock>(kBlockSize));
    m_free.push_back(m_blocks.back().get());
  }
  std::thread producer;
  try {
    producer = std::thread(&IniBlockPipeline::ProduceAll, this);
  } catch (const std::system_error&) {
    m_take(first);
    RunAlone(first);
    return;
  }
  // Whatever ends the taking, the parsing thread is stopped and joined before Run returns.
  struct Joiner {
    IniBlockPipeline& pipeline;
    std::thread& thread;
    ~Joiner() {
      {
        std::lock_guard<std::mutex> lock(pipeline.m_mutex);
        pipeline.m_bStopped = true;
      }
      pipeline.m_changed.notify_all();
      thread.join();
    }
  } joiner{*this, producer};

  IniTextBlock* pBlock = &first;
  for (;;) {
    m_take(*pBlock);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_free.push_back(pBlock);
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_bProduced; });
    if (m_ready.empty()) break;
    pBlock = m_ready.front();
    m_ready.pop_front();
  }
  if (m_error) std::rethrow_exception(m_error);
}

void IniBlockPipeline::RunAlone(IniTextBlock& block) {
  for (bool bLast = false; !bLast;) {
    bLast = Produce(block);
    m_take(block);
  }
}

void IniBlockPipeline::ProduceAll() {
  try {
    for (bool bLast = false; !bLast;) {
      IniTextBlock* pBlock;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_free.empty() || m_bStopped; });
        if (m_bStopped) return;
        pBlock = m_free.back();
        m_free.pop_back();
      }
      bLast = Produce(*pBlock);
      if (!Hand(pBlock)) return;
    }
  } catch (...) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_error = std::current_exception();
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_bProduced = true;
  m_changed.notify_all();
}

bool IniBlockPipeline::Hand(IniTextBlock* pBlock) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_bStopped) return false;
  m_ready.push_back(pBlock);
  m_changed.notify_all();
  return true;
}
