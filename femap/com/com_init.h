#pragma once
// COM for the calling thread, for as long as the guard lives: create one in main() before any
// FEMAP object and let it end after the last one is released. The thread becomes a
// single-threaded apartment, as a program with windows needs; calls into other processes
// keep dispatching window messages while they wait.

namespace femap::com {

class ComInit {
 public:
  // Throws femap::Error when COM cannot be initialised.
  ComInit();
  ~ComInit();
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;

 private:
  bool initialised_ = false;
};

}  // namespace femap::com
