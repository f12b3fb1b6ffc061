#pragma once
// Writes a file on a thread of its own, so that the study does not wait for the disk after
// every evaluation: the content handed over last is written whole (to a temporary name, then
// renamed over the file); content still waiting when newer content comes is replaced by it, so
// the file always ends with the latest, and a slow disk never holds up the evaluations. Writes
// follow each other at least `interval` apart: evaluations that end faster than that share a
// write (a page read every few seconds loses nothing), slower ones each have their own.

#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

namespace taskrun {

class BackgroundFileWriter {
 public:
  explicit BackgroundFileWriter(std::filesystem::path file,
                                std::chrono::milliseconds interval = std::chrono::milliseconds(250));
  // Writes what is still waiting, then ends the thread.
  ~BackgroundFileWriter();
  BackgroundFileWriter(const BackgroundFileWriter&) = delete;
  BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

  // Hands `content` over to be written (copied: the caller keeps its storage). Throws the
  // failure of an earlier write, once.
  void write(const std::string& content);
  // Writes what waits at once and returns when everything handed over is written; throws the
  // failure of a write, once.
  void finish();

 private:
  std::filesystem::path file_;
  std::chrono::milliseconds interval_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string waiting_;       // the latest content not yet taken by the thread
  bool hasWaiting_ = false;
  bool writing_ = false;
  bool stop_ = false;
  bool now_ = false;  // finish() waits: no interval
  std::exception_ptr failure_;
  std::thread thread_;

  void run();
  void throwFailure();  // with mutex_ held
};

}  // namespace taskrun
