#pragma once
// How the installed component's end of a recording without Stop (its disk
// full, its drive gone) is learnt: the component's run state, asked now and
// then on the dialog's thread while a recording the program started runs.
// The first stopped state read before the program asks for Stop is the
// component's word, told once. The program still calls Stop then, as after
// the built-in encoder's word; whatever the stopped component answers to it,
// the recording has ended, so that Stop is no failure.
#include <cstdint>
#include <functional>

#include "core/platform/Types.h"

namespace mavrion::encoder {

// The component's run states, as its RunState property answers them.
enum class RunState : std::int32_t {
  Starting = 1,
  Running = 2,
  Paused = 3,
  Stopping = 4,
  Stopped = 5,
  EndPreprocess = 6,
  Pausing = 7,
};

class RunStateWatch {
 public:
  // Who hears that the recording ended by itself; replaces any before.
  void Advise(std::function<void()> notice);
  // The component accepted Start (or a resume).
  void Started();
  // The program is about to call Stop.
  void StopAsked();
  // Whether the run state is worth asking: a recording runs, someone
  // listens, and nothing has ended it yet.
  bool Watching() const;
  // The state the component answered.
  void Seen(std::int32_t state);
  // What the program's Stop answers, given the component's answer.
  HResult StopResult(HResult componentAnswer) const;

 private:
  enum class Phase { BeforeStart, Recording, StoppedByItself, StoppedByProgram };
  Phase phase_ = Phase::BeforeStart;
  std::function<void()> notice_;
};

}  // namespace mavrion::encoder
