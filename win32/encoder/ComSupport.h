#pragma once
// Owners for the COM resources the encoder adapters use: interface
// pointers, BSTRs and VARIANTs, each given back when its owner goes.
#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>

#include "core/encoder/Ref.h"

namespace mavrion::win32 {

// An owned interface reference: the core's counted reference serves COM
// interfaces as well.
template <class T>
using ComPtr = encoder::Ref<T>;

// The out-parameter slot of QueryInterface and CoCreateInstance.
template <class T>
void** PutVoid(ComPtr<T>& pointer) {
  return reinterpret_cast<void**>(pointer.Put());
}

// A BSTR made from an ANSI text with the thread's code page.
class Bstr {
 public:
  explicit Bstr(const std::string& ansi);
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(text_); }
  BSTR Get() const { return text_; }

 private:
  BSTR text_ = nullptr;
};

// An initialised VARIANT, cleared when it goes.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value_); }
  VARIANT* Get() { return &value_; }
  const VARIANT& operator*() const { return value_; }
  // Clears what is held, for a VARIANT that is filled again.
  VARIANT* Reset() {
    VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

// A UTF-16 text in the thread's ANSI code page; characters the code page
// lacks become its default character. Empty when the conversion fails.
std::optional<std::string> AnsiFromWide(const wchar_t* text);

}  // namespace mavrion::win32
