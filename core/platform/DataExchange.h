#pragma once

namespace mavrion {

// A dialog's exchange of its held values with its controls: Refresh shows
// the values in the controls, Read takes the controls' contents back.
class DataExchange {
 public:
  virtual ~DataExchange() = default;
  virtual void RefreshControls() = 0;
  virtual void ReadControls() = 0;
};

}  // namespace mavrion
