#pragma once
// The application object: its initialisation runs the main dialog modally
// for the whole life of the program.

namespace mavrion {

// The named mutex every copy of the program holds while it runs. A second
// copy is not refused: the mutex is made or opened, never tested.
inline constexpr const char kInstanceMutexName[] = "Global\\{// {655C45D5-7ECD-464e-A4EC-87CA7CF4AD29}}";

class CTovaskApp {
 public:
  CTovaskApp() = default;
  CTovaskApp(const CTovaskApp&) = delete;
  CTovaskApp& operator=(const CTovaskApp&) = delete;

  // Runs the main dialog until it ends. Answers false: the program ends
  // then instead of running a message loop of its own.
  bool InitInstance();
};

}  // namespace mavrion
