// A control's accessible name of the program's choosing. The control answers a screen reader's
// WM_GETOBJECT with the system's own accessible object for it, whose name is replaced: role,
// state, value, place and everything else stay the system's. This is the way every Windows
// version honours, Wine too (whose IAccPropServices::SetHwndPropStr is not implemented).
// oleacc.dll is loaded from the system folder on the first question, as only screen readers and
// UI automation ask.
#include "ui/Window.h"

#include "ui/Application.h"
#include "encoding/TextEncoding.h"

#include <commctrl.h>
#include <oleacc.h>

#include <new>

namespace ui {

namespace {

struct Oleacc {
    HRESULT(WINAPI* createStandard)(HWND, LONG, REFIID, void**) = nullptr;
    LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN) = nullptr;
};

const Oleacc& OleaccFunctions() {
    static const Oleacc functions = [] {
        Oleacc f;
        wchar_t path[MAX_PATH];
        const UINT length = GetSystemDirectoryW(path, MAX_PATH - 12);
        if (length == 0 || length >= MAX_PATH - 12) return f;
        lstrcatW(path, L"\\oleacc.dll");
        HMODULE dll = LoadLibraryW(path);  // a full path: never the program's folder
        if (!dll) return f;
        f.createStandard = reinterpret_cast<decltype(f.createStandard)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "CreateStdAccessibleObject")));
        f.lresultFromObject = reinterpret_cast<decltype(f.lresultFromObject)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "LresultFromObject")));
        return f;
    }();
    return functions;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The system's object with another name; every other question goes to it.
class NamedAccessible final : public IAccessible {
public:
    NamedAccessible(IAccessible* system, const std::wstring& name) : system_(system), name_(name) {}
    ~NamedAccessible() { system_->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // The window and the children are the system's; marshalling must stay ours (never IMarshal).
        if (iid == IID_IOleWindow || iid == IID_IEnumVARIANT) return system_->QueryInterface(iid, out);
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child)) return system_->get_accName(child, name);
        if (!name) return E_POINTER;
        *name = SysAllocString(name_.c_str());
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    // clang-format off
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return system_->GetTypeInfoCount(n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return system_->GetTypeInfo(i, l, t); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override { return system_->GetIDsOfNames(r, n, c, l, d); }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e, UINT* a) override { return system_->Invoke(d, r, l, f, p, v, e, a); }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return system_->get_accParent(p); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* n) override { return system_->get_accChildCount(n); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** d) override { return system_->get_accChild(c, d); }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override { return system_->get_accValue(c, v); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* d) override { return system_->get_accDescription(c, d); }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* r) override { return system_->get_accRole(c, r); }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override { return system_->get_accState(c, s); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override { return system_->get_accHelp(c, h); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, long* t) override { return system_->get_accHelpTopic(f, c, t); }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override { return system_->get_accKeyboardShortcut(c, k); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* c) override { return system_->get_accFocus(c); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* c) override { return system_->get_accSelection(c); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override { return system_->get_accDefaultAction(c, a); }
    HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT c) override { return system_->accSelect(f, c); }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT c) override { return system_->accLocation(x, y, w, h, c); }
    HRESULT STDMETHODCALLTYPE accNavigate(long d, VARIANT s, VARIANT* e) override { return system_->accNavigate(d, s, e); }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* c) override { return system_->accHitTest(x, y, c); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override { return system_->accDoDefaultAction(c); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override { return system_->put_accName(c, n); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override { return system_->put_accValue(c, v); }
    // clang-format on

private:
    IAccessible* system_;
    std::wstring name_;
    LONG references_ = 1;
};

constexpr UINT_PTR kNameSubclass = 2;

LRESULT Answer(HWND hwnd, WPARAM wp, const std::wstring& name) {
    const Oleacc& oleacc = OleaccFunctions();
    if (!oleacc.createStandard || !oleacc.lresultFromObject) return 0;
    IAccessible* system = nullptr;
    if (FAILED(oleacc.createStandard(hwnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&system))) ||
        !system)
        return 0;
    auto* named = new (std::nothrow) NamedAccessible(system, name);
    if (!named) {
        system->Release();
        return 0;
    }
    const LRESULT result = oleacc.lresultFromObject(__uuidof(IAccessible), wp, named);
    named->Release();  // the reader holds its own reference through the result
    return result;
}

// What a caption shows: '&' marks the access key ("&&" an ampersand), the spaces around go.
std::wstring ShownText(const std::string& caption) {
    std::wstring shown;
    const std::wstring text = encoding::Widen(caption);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    const size_t first = shown.find_first_not_of(L' '), last = shown.find_last_not_of(L' ');
    return first == std::wstring::npos ? std::wstring() : shown.substr(first, last - first + 1);
}

}  // namespace

LRESULT CALLBACK Control::NameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self) {
    if (msg == WM_GETOBJECT && static_cast<LONG>(static_cast<DWORD>(lp)) == OBJID_CLIENT) {
        try {
            if (LRESULT answer = Answer(hwnd, wp, reinterpret_cast<Control*>(self)->accessibleName_)) return answer;
        } catch (...) {
            Application::Instance().HandleException(std::current_exception());
        }
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &Control::NameProc, id);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void Control::SetAccessibleName(const std::string& name) {
    const std::wstring shown = ShownText(name);
    if (shown == accessibleName_) return;
    accessibleName_ = shown;
    if (hwnd_) AnswerWithName();
}

void Control::AnswerWithName() {
    if (accessibleName_.empty()) return;
    SetWindowSubclass(hwnd_, &Control::NameProc, kNameSubclass, reinterpret_cast<DWORD_PTR>(this));
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace ui
