#include "backends/win32/win32_accessible.h"

#include <ole2.h>
#include <oleacc.h>

namespace kivora::win32 {

namespace {

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The close picture's object: a push button whose default action presses it;
// the system's standard object answers the rest (its name from the window's
// text, its place, its parent).
class ClosePicture final : public IAccessible {
 public:
  ClosePicture(HWND picture, IAccessible* standard) : picture_(picture), standard_(standard) {}

  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!IsSelf(child)) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_PUSHBUTTON;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    *action = nullptr;
    if (!IsSelf(child)) return E_INVALIDARG;
    using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);
    static auto allocate = FunctionOf<SysAllocStringFn>(LoadLibraryW(L"oleaut32.dll"), "SysAllocString");
    *action = allocate ? allocate(L"Press") : nullptr;
    return *action ? S_OK : E_OUTOFMEMORY;
  }
  // Pressed by a screen reader, the close picture closes the launcher as
  // Escape and Alt+F4 do; the window's own handler ends it.
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!IsSelf(child)) return E_INVALIDARG;
    return PostMessageW(GetAncestor(picture_, GA_ROOT), WM_CLOSE, 0, 0) ? S_OK : E_FAIL;
  }

  // --- The rest is the standard object's.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return standard_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return standard_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return standard_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return standard_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return standard_->get_accKeyboardShortcut(child, keys);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return standard_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return standard_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
    return standard_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* badArgument) override {
    return standard_->Invoke(id, iid, locale, flags, params, result, exception, badArgument);
  }

  // --- COM's bookkeeping; calls arrive on the window's thread only.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ~ClosePicture() { standard_->Release(); }

  HWND picture_;
  IAccessible* standard_;
  ULONG references_ = 1;
};

using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, IUnknown*);

}  // namespace

LRESULT ClosePictureObject(HWND picture, WPARAM flags, LPARAM objectId) {
  if (LONG(objectId) != OBJID_CLIENT) return 0;
  // COM hands the object to the screen reader's process; the window's
  // thread becomes a single-threaded apartment the first time it is asked.
  static const bool comStarted = [] {
    auto start = FunctionOf<CoInitializeExFn>(LoadLibraryW(L"ole32.dll"), "CoInitializeEx");
    return start && SUCCEEDED(start(nullptr, COINIT_APARTMENTTHREADED));
  }();
  static HMODULE oleacc = LoadLibraryW(L"oleacc.dll");
  auto createStandard = FunctionOf<CreateStdAccessibleObjectFn>(oleacc, "CreateStdAccessibleObject");
  auto handOver = FunctionOf<LresultFromObjectFn>(oleacc, "LresultFromObject");
  IAccessible* standard = nullptr;
  if (!comStarted || !createStandard || !handOver ||
      FAILED(createStandard(picture, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard))))
    return 0;
  auto* object = new ClosePicture(picture, standard);
  LRESULT answer = handOver(__uuidof(IAccessible), flags, object);
  object->Release();  // LresultFromObject holds its own references
  return answer > 0 ? answer : 0;
}

}  // namespace kivora::win32
