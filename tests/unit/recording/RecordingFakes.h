#pragma once
// Fakes of the ports the recording controller and its workers use, beside
// the main dialog's parts (tests/unit/app/MainDialogFakes.h). Each records
// what it was asked in one shared journal, so tests can check order.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/platform/Clock.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "core/platform/Threads.h"
#include "core/recording/ForegroundFollower.h"
#include "core/ui/CTrayDialog.h"
#include "tests/unit/platform/FakeDialogView.h"

namespace mavrion::recording_fakes {

using Journal = std::vector<std::string>;

// Menu item changes, noted in the journal under the menu's name.
inline std::function<void(int, bool)> JournalMenuChanges(Journal* journal, std::string name) {
  return [journal, name = std::move(name)](int commandId, bool enabled) {
    journal->push_back(name + " " + std::to_string(commandId) + (enabled ? " on" : " grey"));
  };
}

// Controls and menu items never set are disabled; texts, showing and the
// menu bar go to the journal.
class FakeView : public test_fakes::FakeDialogView {
 public:
  explicit FakeView(Journal* journal) : FakeDialogView(0x5150, false), journal_(journal) {
    menu_.onChange = JournalMenuChanges(journal, "menu");
  }
  void SetControlText(int id, const std::string& text) override {
    FakeDialogView::SetControlText(id, text);
    journal_->push_back("text " + std::to_string(id) + " " + text);
  }
  void Show(bool visible) override {
    FakeDialogView::Show(visible);
    journal_->push_back(visible ? "show" : "hide");
  }
  void DrawMenuBar() override { journal_->push_back("draw menu bar"); }

 private:
  Journal* journal_;
};

// The main dialog's tray icon, as the controller uses it.
class FakeTray : public TrayIcon {
 public:
  explicit FakeTray(Journal* journal) : journal_(journal) { menu.onChange = JournalMenuChanges(journal, "tray"); }
  void SetTrayIconImage(int id) override {
    icon = id;
    journal_->push_back("icon " + std::to_string(id));
  }
  void UpdateTrayIcon() override { journal_->push_back("update icon"); }
  bool AddTrayIcon() override {
    journal_->push_back("add icon");
    if (shown) return false;
    shown = true;
    return true;
  }
  MenuView& TrayMenu() override { return menu; }

  bool shown = false;
  int icon = 128;
  test_fakes::FakeMenu menu{false};  // items never set are grey

 private:
  Journal* journal_;
};

struct ShownBox {
  WindowHandle owner;
  std::string text, caption;
  unsigned style;
};

class FakeBoxes : public MessageBoxes {
 public:
  int Show(WindowHandle owner, const std::string& text, const std::string& caption,
           unsigned style) override {
    shown.push_back({owner, text, caption, style});
    // While a box is up its nested message loop still handles messages.
    if (whileShown) whileShown();
    return mb::kIdOk;
  }
  std::vector<ShownBox> shown;
  std::function<void()> whileShown;
};

// Time that moves only when someone sleeps. atSleep runs after each sleep
// with the tick reached, which lets a test act at a chosen moment.
class FakeClock : public Clock {
 public:
  std::uint32_t TickCount() override {
    Enter();
    const std::uint32_t now = tick.load();
    Leave();
    return now;
  }
  LocalTime Now() override { return {}; }
  void Sleep(std::uint32_t ms) override {
    Enter();
    if (realSleep) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    tick += ms;
    ++sleeps;
    if (atSleep) atSleep(tick.load());
    Leave();
  }
  std::atomic<std::uint32_t> tick{0};
  std::atomic<int> sleeps{0};
  std::function<void(std::uint32_t)> atSleep;
  bool realSleep = false;
  // Calls made while closed is set, or still running when it was set.
  std::atomic<int> inFlight{0};
  std::atomic<bool> closed{false};
  std::atomic<int> callsAfterClose{0};

 private:
  void Enter() {
    ++inFlight;
    if (closed) ++callsAfterClose;
  }
  void Leave() { --inFlight; }
};

// Keeps every body; a test runs them on its own thread, or on real threads
// that it joins.
class FakeThreads : public ThreadStarter {
 public:
  ~FakeThreads() override { JoinAll(); }
  bool Start(std::function<void()> body) override {
    if (refuse) return false;
    if (real) {
      running.emplace_back(std::move(body));
    } else {
      bodies.push_back(std::move(body));
      ran.push_back(false);
    }
    ++started;
    return true;
  }
  void RunBody(std::size_t index) {
    ran.at(index) = true;
    bodies.at(index)();
  }
  // Lets the threads a test never ran begin now, as a real system would.
  void RunRemaining() {
    for (std::size_t i = 0; i < bodies.size(); ++i) {
      if (!ran[i]) RunBody(i);
    }
  }
  void JoinAll() {
    for (std::thread& t : running) t.join();
    running.clear();
  }
  std::vector<std::function<void()>> bodies;
  std::vector<bool> ran;
  std::vector<std::thread> running;
  int started = 0;
  bool real = false;
  bool refuse = false;
};

class FakeUi : public UiDispatcher {
 public:
  void Post(std::function<void()> task) override {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  // Runs what is queued, as the dialog's thread does when it next handles
  // messages. Answers how many ran.
  int RunAll() {
    int ran = 0;
    for (;;) {
      std::function<void()> task;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (tasks_.empty()) return ran;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
      ++ran;
    }
  }
  std::size_t Queued() {
    std::lock_guard<std::mutex> lock(mutex_);
    return tasks_.size();
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
};

class FakeForeground : public ForegroundWatch {
 public:
  WindowHandle ForegroundWindow() override {
    ++looks;
    return foreground.load();
  }
  std::uint32_t ProcessOfWindow(WindowHandle window) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = processes.find(window);
    return it == processes.end() ? 0 : it->second;
  }
  void SetProcess(WindowHandle window, std::uint32_t process) {
    std::lock_guard<std::mutex> lock(mutex_);
    processes[window] = process;
  }
  std::atomic<WindowHandle> foreground{0};
  std::atomic<int> looks{0};

 private:
  std::mutex mutex_;
  std::map<WindowHandle, std::uint32_t> processes;
};

}  // namespace mavrion::recording_fakes
