#include "controls/button_accessible_win32.h"

#include "base/win32/last_error.h"
#include "base/win32/unique_handle.h"
#include "base/win32/window_base.h"
#include "controls/caption_rules.h"

#include <oleacc.h>

#include <new>
#include <string>

namespace controls {

namespace {

// IID_IAccessible, spelled out: mingw's uuid and oleacc libraries both define the symbol.
constexpr IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    if (!out)
        return E_POINTER;
    *out =
        text.empty() ? nullptr : ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!text.empty() && !*out)
        return E_OUTOFMEMORY;
    return text.empty() ? S_FALSE : S_OK;
}

// The system's client object of the window, with the button's own name, role, state, access
// key and default action.
class ButtonAccessible final : public IAccessible {
  public:
    ButtonAccessible(HWND button, IAccessible* standard, bool marks_access_key)
        : button_(button), standard_(standard), marks_access_key_(marks_access_key) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // IEnumVARIANT, IOleWindow and the like: the standard object's.
        return standard_.get()->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = ::InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_.get()->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return standard_.get()->GetTypeInfo(index, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override {
        return standard_.get()->GetIDsOfNames(iid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* bad_argument) override {
        return standard_.get()->Invoke(id, iid, lcid, flags, params, result, exception,
                                       bad_argument);
    }

    // IAccessible: what makes it a button.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child))
            return standard_.get()->get_accName(child, name);
        const std::wstring caption = win32::WindowTextOf(button_);
        return ReturnText(marks_access_key_ ? CaptionWithoutMarks(caption) : caption, name);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child))
            return standard_.get()->get_accRole(child, role);
        if (!role)
            return E_POINTER;
        role->vt = VT_I4;
        role->lVal = ROLE_SYSTEM_PUSHBUTTON;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const HRESULT hr = standard_.get()->get_accState(child, state);
        if (FAILED(hr) || !IsSelf(child) || state->vt != VT_I4)
            return hr;
        const LRESULT button_state = ::SendMessageW(button_, BM_GETSTATE, 0, 0);
        if (button_state & BST_PUSHED)
            state->lVal |= STATE_SYSTEM_PRESSED;
        if ((::GetWindowLongW(button_, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON)
            state->lVal |= STATE_SYSTEM_DEFAULT;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        if (!IsSelf(child))
            return standard_.get()->get_accKeyboardShortcut(child, shortcut);
        const wchar_t key = marks_access_key_ ? AccessKeyOf(win32::WindowTextOf(button_)) : 0;
        return ReturnText(key ? std::wstring(L"Alt+") + key : std::wstring(), shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!IsSelf(child))
            return standard_.get()->get_accDefaultAction(child, action);
        return ReturnText(L"Press", action);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!IsSelf(child))
            return standard_.get()->accDoDefaultAction(child);
        // Posted: the tool asking may be waiting on this thread.
        return ::PostMessageW(button_, BM_CLICK, 0, 0) ? S_OK : E_FAIL;
    }

    // IAccessible: the rest is the standard object's.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_.get()->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return standard_.get()->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return standard_.get()->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_.get()->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return standard_.get()->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_.get()->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_.get()->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return standard_.get()->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_.get()->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return standard_.get()->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return standard_.get()->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_.get()->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return standard_.get()->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    ~ButtonAccessible() = default;

    LONG references_ = 1;
    HWND button_;
    win32::UniqueComPtr<IAccessible> standard_;
    bool marks_access_key_;
};

} // namespace

LRESULT AnswerAccessibleObject(HWND button, WPARAM wparam, LPARAM lparam, bool marks_access_key) {
    if (static_cast<LONG>(lparam) != static_cast<LONG>(OBJID_CLIENT))
        return ::DefWindowProcW(button, WM_GETOBJECT, wparam, lparam);
    IAccessible* standard = nullptr;
    const HRESULT hr = ::CreateStdAccessibleObject(button, OBJID_CLIENT, kIidAccessible,
                                                   reinterpret_cast<void**>(&standard));
    if (FAILED(hr) || !standard) {
        win32::LogFailure(L"CreateStdAccessibleObject", static_cast<DWORD>(hr));
        return ::DefWindowProcW(button, WM_GETOBJECT, wparam, lparam);
    }
    auto* accessible = new (std::nothrow) ButtonAccessible(button, standard, marks_access_key);
    if (!accessible) {
        standard->Release();
        return ::DefWindowProcW(button, WM_GETOBJECT, wparam, lparam);
    }
    const LRESULT result = ::LresultFromObject(kIidAccessible, wparam, accessible);
    accessible->Release();
    return result;
}

} // namespace controls
