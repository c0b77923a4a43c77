#pragma once
// How many of the program's own modal windows are open now: dialogs run
// modally, message boxes, the Save-As dialog. Each runs a message loop of
// its own, in which the global keys and the tray menu still reach the main
// dialog; while one is open those must do nothing, or a command could open
// a second window on an object the first one still uses, or end the main
// dialog under it. Counted on the dialog's thread only.
namespace mavrion {

class ModalWindows {
 public:
  bool AnyOpen() const { return open_ > 0; }

  // Counts one window for as long as it lives.
  class Scope {
   public:
    explicit Scope(ModalWindows& windows) : windows_(windows) { ++windows_.open_; }
    ~Scope() { --windows_.open_; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    ModalWindows& windows_;
  };

 private:
  int open_ = 0;
};

}  // namespace mavrion
