#pragma once
// Counts the worker threads of the recordings, so that the dialog can wait
// until none of them runs any more before its window goes.
#include <condition_variable>
#include <mutex>

namespace mavrion {

class WorkerSet {
 public:
  // Called on the starting thread before the worker is started, so that a
  // wait that follows can never miss it.
  void Enter();
  // The worker's very last touch of anything it shares.
  void Leave();
  void WaitUntilNoneRun();
  int Running() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable ended_;
  int running_ = 0;
};

}  // namespace mavrion
