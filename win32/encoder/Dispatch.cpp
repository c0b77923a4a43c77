#include "win32/encoder/Dispatch.h"

#include <algorithm>
#include <vector>

namespace mavrion::win32 {
namespace {

HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::initializer_list<VARIANT> args,
               VARIANT* result) {
  if (!object) return E_POINTER;
  DISPID member = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
  if (FAILED(hr)) return hr;

  // The dispatch convention passes arguments last first.
  std::vector<VARIANT> reversed(args.begin(), args.end());
  std::reverse(reversed.begin(), reversed.end());

  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }

  EXCEPINFO exception{};
  UINT badArgument = 0;
  hr = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception, &badArgument);
  if (hr == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    if (FAILED(exception.scode)) hr = exception.scode;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
  }
  return hr;
}

VARIANT Typed(VARTYPE type) {
  VARIANT v;
  VariantInit(&v);
  v.vt = type;
  return v;
}

}  // namespace

HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT> args,
                   VARIANT* result) {
  return Invoke(object, name, DISPATCH_METHOD, args, result);
}

HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result) {
  return Invoke(object, name, DISPATCH_PROPERTYGET, {}, result);
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT> args) {
  return Invoke(object, name, DISPATCH_PROPERTYPUT, args, nullptr);
}

VARIANT ArgI4(long value) {
  VARIANT v = Typed(VT_I4);
  v.lVal = value;
  return v;
}

VARIANT ArgI2(short value) {
  VARIANT v = Typed(VT_I2);
  v.iVal = value;
  return v;
}

VARIANT ArgBool(bool value) {
  VARIANT v = Typed(VT_BOOL);
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

VARIANT ArgBstr(BSTR value) {
  VARIANT v = Typed(VT_BSTR);
  v.bstrVal = value;
  return v;
}

}  // namespace mavrion::win32
