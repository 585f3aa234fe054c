#pragma once
// String lists: TStrings is the interface shared by every list of lines
// (a combo box's Items, a memo's Lines); TStringList keeps its lines itself.
#include <string>
#include <string_view>
#include <vector>

namespace fw {

class TStrings {
public:
    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    virtual std::wstring Get(int index) const = 0;
    virtual void Put(int index, const std::wstring& value);
    // Adds at the end and answers the new line's index.
    virtual int Add(const std::wstring& value);
    virtual void Insert(int index, const std::wstring& value) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    // Brackets a batch of changes: a list shown on screen redraws once at the end.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const noexcept { return updateCount_; }

    // Replaces the whole content with source's lines.
    virtual void Assign(const TStrings& source);
    // Every line followed by CR LF.
    virtual std::wstring Text() const;
    // Splits at CR LF, CR or LF; a final line break does not start another line.
    virtual void SetText(std::wstring_view text);

    int IndexOf(std::wstring_view value) const;
    std::wstring operator[](int index) const { return Get(index); }

protected:
    TStrings() = default;
    TStrings(const TStrings&) = default;
    TStrings& operator=(const TStrings&) = default;
    // Called when the update count enters or leaves zero.
    virtual void SetUpdateState(bool /*updating*/) {}
    // Throws EListError for an index outside 0 .. limit - 1.
    static void CheckIndex(int index, int limit);

private:
    int updateCount_ = 0;
};

class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::wstring> lines) : items_(lines) {}
    TStringList(const TStringList& other) : TStrings(), items_(other.items_) {}
    TStringList& operator=(const TStringList& other) {
        items_ = other.items_;
        return *this;
    }

    int Count() const override { return static_cast<int>(items_.size()); }
    std::wstring Get(int index) const override;
    void Put(int index, const std::wstring& value) override;
    int Add(const std::wstring& value) override;
    void Insert(int index, const std::wstring& value) override;
    void Delete(int index) override;
    void Clear() override { items_.clear(); }
    void Assign(const TStrings& source) override;

    const std::wstring& operator[](int index) const;
    const std::vector<std::wstring>& Items() const noexcept { return items_; }

    // Text order of the user's locale, ignoring case (so "COM10" < "COM2").
    void Sort();

private:
    std::vector<std::wstring> items_;
};

// The comparison Sort uses: <0, 0, >0. Locale text order, case ignored.
int CompareTextLocale(std::wstring_view a, std::wstring_view b) noexcept;

}  // namespace fw
