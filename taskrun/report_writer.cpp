#include "taskrun/report_writer.h"

#include "support/text_file.h"

namespace taskrun {

BackgroundFileWriter::BackgroundFileWriter(std::filesystem::path file, std::chrono::milliseconds interval)
    : file_(std::move(file)), interval_(interval), thread_([this] { run(); }) {}

BackgroundFileWriter::~BackgroundFileWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundFileWriter::throwFailure() {
  if (!failure_) return;
  std::exception_ptr failure = failure_;
  failure_ = nullptr;
  std::rethrow_exception(failure);
}

void BackgroundFileWriter::write(const std::string& content) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    throwFailure();
    waiting_.assign(content);  // the storage of the content before is used again
    hasWaiting_ = true;
  }
  changed_.notify_all();
}

void BackgroundFileWriter::finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  now_ = true;
  changed_.notify_all();
  changed_.wait(lock, [this] { return !hasWaiting_ && !writing_; });
  now_ = false;
  throwFailure();
}

void BackgroundFileWriter::run() {
  using Clock = std::chrono::steady_clock;
  std::string content;
  Clock::time_point next = Clock::now();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return hasWaiting_ || stop_; });
    changed_.wait_until(lock, next, [this] { return stop_ || now_; });
    if (!hasWaiting_) return;  // stopped with nothing left to write
    next = Clock::now() + interval_;
    content.swap(waiting_);
    hasWaiting_ = false;
    writing_ = true;
    lock.unlock();
    std::exception_ptr failure;
    try {
      support::writeFileAtomically(file_, content);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    writing_ = false;
    if (failure && !failure_) failure_ = failure;
    changed_.notify_all();
  }
}

}  // namespace taskrun
