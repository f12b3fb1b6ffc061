#include "support/text_buffer.h"

#include <mutex>
#include <vector>

namespace support {

namespace {

// Blocks given back by finished files, for the next ones. At most kKeptBlocks stay.
constexpr std::size_t kKeptBlocks = 8;
std::mutex keptBlocksMutex;
std::vector<std::unique_ptr<char[]>> keptBlocks;

std::unique_ptr<char[]> takeBlock() {
  {
    std::lock_guard<std::mutex> lock(keptBlocksMutex);
    if (!keptBlocks.empty()) {
      std::unique_ptr<char[]> block = std::move(keptBlocks.back());
      keptBlocks.pop_back();
      return block;
    }
  }
  return std::unique_ptr<char[]>(new char[TextBuffer::kBlock]);
}

void keepBlock(std::unique_ptr<char[]> block) {
  std::lock_guard<std::mutex> lock(keptBlocksMutex);
  if (keptBlocks.size() < kKeptBlocks) keptBlocks.push_back(std::move(block));
}

// Below this a text grows in ordinary memory, which the allocator hands out again cheaply.
constexpr std::size_t kSmallLimit = std::size_t{64} << 10;

}  // namespace

TextBuffer::~TextBuffer() {
  if (block_) keepBlock(std::move(block_));
}

void TextBuffer::flush() {
  if (!writer_) return;
  if (cursor_ != data_) writer_->write(view());
  cursor_ = data_;
}

// Moves the text into storage of `capacity` bytes (ordinary memory, or a block for kBlock).
void TextBuffer::useStorage(std::size_t capacity) {
  const std::size_t size = static_cast<std::size_t>(cursor_ - data_);
  if (capacity == kBlock && writer_) {
    if (!block_) block_ = takeBlock();
    if (size > 0 && data_ != block_.get()) std::memcpy(block_.get(), data_, size);
    data_ = block_.get();
    small_.reset();
  } else {
    std::unique_ptr<char[]> larger(new char[capacity]);
    if (size > 0) std::memcpy(larger.get(), data_, size);
    small_ = std::move(larger);
    data_ = small_.get();
  }
  cursor_ = data_ + size;
  end_ = data_ + capacity;
}

void TextBuffer::addOverflowing(std::string_view text) {
  const std::size_t size = static_cast<std::size_t>(cursor_ - data_);
  const std::size_t capacity = static_cast<std::size_t>(end_ - data_);
  const std::size_t wanted = std::max({capacity * 2, size + text.size(), std::size_t{4096}});
  if (!writer_ || wanted <= kSmallLimit) {
    useStorage(wanted);
  } else {
    if (capacity < kBlock) useStorage(kBlock);
    // Fill the block, hand it over whole, and go on with the rest of the text.
    while (text.size() > static_cast<std::size_t>(end_ - cursor_)) {
      const std::size_t part = static_cast<std::size_t>(end_ - cursor_);
      std::memcpy(cursor_, text.data(), part);
      cursor_ = end_;
      text.remove_prefix(part);
      flush();
    }
  }
  if (!text.empty()) std::memcpy(cursor_, text.data(), text.size());
  cursor_ += text.size();
}

}  // namespace support
