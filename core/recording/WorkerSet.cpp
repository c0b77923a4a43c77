#include "core/recording/WorkerSet.h"

namespace mavrion {

void WorkerSet::Enter() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++running_;
}

void WorkerSet::Leave() {
  // Notifying under the lock keeps the waiter from going on (and destroying
  // this object) before the notification is out.
  std::lock_guard<std::mutex> lock(mutex_);
  --running_;
  ended_.notify_all();
}

void WorkerSet::WaitUntilNoneRun() {
  std::unique_lock<std::mutex> lock(mutex_);
  ended_.wait(lock, [this] { return running_ == 0; });
}

int WorkerSet::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_;
}

}  // namespace mavrion
