#pragma once
// Member calls by name on an automation object, as a script would make them.
#include <windows.h>
#include <oaidl.h>

#include <initializer_list>

namespace mavrion::win32 {

// Arguments are given in the member's own order; they are borrowed, not
// owned, for the length of the call. A failure the object reports through
// its exception information answers that failure's own code.
HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT> args,
                   VARIANT* result = nullptr);
HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result);
// The last argument is the value; any before it are the property's indexes.
HRESULT PutProperty(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT> args);

// Borrowed argument values.
VARIANT ArgI4(long value);
VARIANT ArgI2(short value);
VARIANT ArgBool(bool value);
VARIANT ArgBstr(BSTR value);

}  // namespace mavrion::win32
