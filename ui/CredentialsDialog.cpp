#include "ui/CredentialsDialog.h"

#include "ui/Application.h"
#include "encoding/TextEncoding.h"

#include <vector>

namespace ui {
namespace {

constexpr WORD kStaticId = 0xFFFF, kUserId = 100, kPasswordId = 101;
// The predefined classes of a dialog template, by atom.
constexpr WORD kButtonClass = 0x0080, kEditClass = 0x0081, kStaticClass = 0x0082;
constexpr int kMaxField = 256;

// A dialog template in memory: the header, then each control DWORD-aligned, texts in UTF-16.
class DialogTemplate {
public:
    DialogTemplate(const std::string& caption, short width, short height) {
        const DWORD style = DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        PutDword(style);
        PutDword(0);
        countAt_ = words_.size();
        words_.push_back(0);  // number of controls, counted as they come
        for (short v : {short(0), short(0), width, height}) words_.push_back(static_cast<WORD>(v));
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        PutText(encoding::Widen(caption));
        words_.push_back(8);  // point size of the dialog font
        PutText(L"MS Shell Dlg");
    }

    void Add(WORD atom, WORD id, DWORD style, short x, short y, short cx, short cy, const std::wstring& text) {
        if (words_.size() % 2) words_.push_back(0);
        PutDword(WS_CHILD | WS_VISIBLE | style);
        PutDword(0);
        for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
        words_.push_back(id);
        words_.push_back(0xFFFF);
        words_.push_back(atom);
        PutText(text);
        words_.push_back(0);  // no creation data
        ++words_[countAt_];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void PutDword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void PutText(const std::wstring& text) {
        words_.insert(words_.end(), text.begin(), text.end());
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    std::size_t countAt_ = 0;
};

struct DialogState {
    const std::wstring* userId;
    Credentials typed;
};

std::string FieldText(HWND dialog, int id) {
    wchar_t text[kMaxField] = {};
    GetDlgItemTextW(dialog, id, text, kMaxField);
    std::string typed = encoding::NarrowPath(text);
    SecureZeroMemory(text, sizeof text);  // a password lingers on the stack no longer than needed
    return typed;
}

INT_PTR HandleMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* state = reinterpret_cast<DialogState*>(lp);
        SetWindowLongPtrW(dialog, DWLP_USER, lp);
        for (int id : {kUserId, kPasswordId}) SendDlgItemMessageW(dialog, id, EM_LIMITTEXT, kMaxField - 1, 0);
        SetDlgItemTextW(dialog, kUserId, state->userId->c_str());
        // With a name already there, the password is what is missing.
        SetFocus(GetDlgItem(dialog, state->userId->empty() ? kUserId : kPasswordId));
        return FALSE;  // the focus is set
    }
    if (msg != WM_COMMAND) return FALSE;
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    const int id = LOWORD(wp);
    if (id == IDOK && state) {
        state->typed = {FieldText(dialog, kUserId), FieldText(dialog, kPasswordId)};
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    // Windows calls this: no exception may go back into the system.
    try {
        return HandleMessage(dialog, msg, wp, lp);
    } catch (...) {
        EndDialog(dialog, IDABORT);
        Application::Instance().HandleException(std::current_exception());
        return TRUE;
    }
}

}  // namespace

std::optional<Credentials> AskCredentials(HWND owner, const CredentialsTexts& texts, const std::string& userId) {
    DialogTemplate dialog(texts.Caption, 220, 96);
    const DWORD label = SS_LEFT, field = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    dialog.Add(kStaticClass, kStaticId, label, 7, 7, 206, 24, encoding::Widen(texts.Prompt));
    dialog.Add(kStaticClass, kStaticId, label, 7, 37, 60, 8, encoding::Widen(texts.UserLabel));
    dialog.Add(kEditClass, kUserId, field, 70, 35, 143, 12, L"");
    dialog.Add(kStaticClass, kStaticId, label, 7, 55, 60, 8, encoding::Widen(texts.PasswordLabel));
    dialog.Add(kEditClass, kPasswordId, field | ES_PASSWORD, 70, 53, 143, 12, L"");
    dialog.Add(kButtonClass, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 109, 75, 50, 14, encoding::Widen(texts.Ok));
    dialog.Add(kButtonClass, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 163, 75, 50, 14, encoding::Widen(texts.Cancel));
    const std::wstring user = encoding::WidenPath(userId);
    DialogState state{&user, {}};
    const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, &DialogProc,
                                                   reinterpret_cast<LPARAM>(&state));
    if (answer != IDOK) return std::nullopt;
    return state.typed;
}

}  // namespace ui
