#include "framework/Strings.h"

#include "framework/Exception.h"

#include <windows.h>

#include <algorithm>

namespace fw {

void TStrings::CheckIndex(int index, int limit) {
    if (index < 0 || index >= limit) throw EListError(L"List index out of bounds (" + std::to_wstring(index) + L")");
}

void TStrings::Put(int index, const std::wstring& value) {
    BeginUpdate();
    try {
        Delete(index);
        Insert(index, value);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStrings::Add(const std::wstring& value) {
    const int index = Count();
    Insert(index, value);
    return index;
}

void TStrings::BeginUpdate() {
    if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::Assign(const TStrings& source) {
    if (&source == this) return;
    BeginUpdate();
    try {
        Clear();
        for (int i = 0, n = source.Count(); i < n; ++i) Add(source.Get(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

std::wstring TStrings::Text() const {
    std::wstring text;
    for (int i = 0, n = Count(); i < n; ++i) {
        text += Get(i);
        text += L"\r\n";
    }
    return text;
}

void TStrings::SetText(std::wstring_view text) {
    BeginUpdate();
    try {
        Clear();
        size_t start = 0;
        while (start < text.size()) {
            const size_t end = text.find_first_of(L"\r\n", start);
            if (end == std::wstring_view::npos) {
                Add(std::wstring(text.substr(start)));
                break;
            }
            Add(std::wstring(text.substr(start, end - start)));
            start = end + 1;
            if (text[end] == L'\r' && start < text.size() && text[start] == L'\n') ++start;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStrings::IndexOf(std::wstring_view value) const {
    for (int i = 0, n = Count(); i < n; ++i) {
        if (CompareTextLocale(Get(i), value) == 0) return i;
    }
    return -1;
}

std::wstring TStringList::Get(int index) const { return (*this)[index]; }

const std::wstring& TStringList::operator[](int index) const {
    CheckIndex(index, Count());
    return items_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, const std::wstring& value) {
    CheckIndex(index, Count());
    items_[static_cast<size_t>(index)] = value;
}

int TStringList::Add(const std::wstring& value) {
    items_.push_back(value);
    return Count() - 1;
}

void TStringList::Insert(int index, const std::wstring& value) {
    CheckIndex(index, Count() + 1);
    items_.insert(items_.begin() + index, value);
}

void TStringList::Delete(int index) {
    CheckIndex(index, Count());
    items_.erase(items_.begin() + index);
}

void TStringList::Assign(const TStrings& source) {
    if (auto* list = dynamic_cast<const TStringList*>(&source)) {
        items_ = list->items_;
        return;
    }
    TStrings::Assign(source);
}

void TStringList::Sort() {
    std::stable_sort(items_.begin(), items_.end(),
                     [](const std::wstring& a, const std::wstring& b) { return CompareTextLocale(a, b) < 0; });
}

int CompareTextLocale(std::wstring_view a, std::wstring_view b) noexcept {
    return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size())) -
           CSTR_EQUAL;
}

}  // namespace fw
