#pragma once
// An INI file as the private-profile functions read and write it: section
// and key names match without regard to case, a missing file reads as an
// empty one, and a write creates the file, section or key it needs.
#include <cstddef>
#include <string>

namespace mavrion {

class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  // The key's value, or defaultValue when the key is missing, cut to at
  // most maxChars - 1 characters as a buffer of maxChars bytes holds
  // (GetPrivateProfileStringA).
  virtual std::string GetString(const std::string& section, const std::string& key,
                                const std::string& defaultValue, std::size_t maxChars,
                                const std::string& path) = 0;
  // Answers false when the file could not be written (WritePrivateProfileStringA).
  virtual bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                           const std::string& path) = 0;
};

}  // namespace mavrion
