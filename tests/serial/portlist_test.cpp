// ListSerialPorts against the registry's serial device list (rewritten here
// and put back afterwards).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/Handles.h"
#include "framework/Strings.h"
#include "serial/PortList.h"

namespace {

constexpr wchar_t kKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

struct Value {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
};

class PortListTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::UniqueHKey key;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
        hadKey_ = true;
        for (DWORD i = 0;; ++i) {
            wchar_t name[16384];
            DWORD nameLength = 16384, type = 0, size = 0;
            if (::RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
            Value v{std::wstring(name, nameLength), type, std::vector<BYTE>(size)};
            nameLength = 16384;
            ::RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, v.data.data(), &size);
            saved_.push_back(std::move(v));
        }
    }
    void TearDown() override {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
        if (!hadKey_) return;
        fw::UniqueHKey key = CreateKey();
        for (const Value& v : saved_)
            ::RegSetValueExW(key.get(), v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    }

    static fw::UniqueHKey CreateKey() {
        fw::UniqueHKey key;
        EXPECT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                    key.put(), nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    // A fresh, empty key.
    static fw::UniqueHKey EmptyKey() {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
        return CreateKey();
    }
    // bytes: how much of text (with its NUL) the value's data holds.
    static void SetValue(HKEY key, const std::wstring& name, const std::wstring& text, size_t bytes) {
        ASSERT_EQ(::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>(bytes)),
                  ERROR_SUCCESS);
    }
    static void SetValue(HKEY key, const std::wstring& name, const std::wstring& text) {
        SetValue(key, name, text, (text.size() + 1) * sizeof(wchar_t));
    }

    bool hadKey_ = false;
    std::vector<Value> saved_;
};

std::vector<std::wstring> Lines(const fw::TStringList& list) { return list.Items(); }

}  // namespace

TEST_F(PortListTest, SortedInTextOrder) {
    fw::UniqueHKey key = EmptyKey();
    SetValue(key.get(), L"\\Device\\Serial2", L"COM2");
    SetValue(key.get(), L"\\Device\\Serial10", L"COM10");
    SetValue(key.get(), L"\\Device\\Serial1", L"COM1");
    fw::TStringList ports{L"old"};
    serial::ListSerialPorts(ports);
    EXPECT_EQ(Lines(ports), (std::vector<std::wstring>{L"COM1", L"COM10", L"COM2"}));
}

TEST_F(PortListTest, DataWithoutNulAndLongerNamesAfterShortOnes) {
    fw::UniqueHKey key = EmptyKey();
    // Each value longer than the one before, in name and in data: every
    // call must be offered the whole buffers again.
    SetValue(key.get(), L"\\D\\A", L"COM3", 4 * sizeof(wchar_t));  // no terminating NUL
    SetValue(key.get(), L"\\Device\\VeryLongSerialDeviceName0001", L"COM1234");
    SetValue(key.get(), std::wstring(L"\\Device\\") + std::wstring(200, L'x'), L"COM5\0junk", 10 * sizeof(wchar_t));
    fw::TStringList ports;
    serial::ListSerialPorts(ports);
    EXPECT_EQ(Lines(ports), (std::vector<std::wstring>{L"COM1234", L"COM3", L"COM5"}));
}

TEST_F(PortListTest, EmptyKeyEmptiesTheList) {
    fw::UniqueHKey key = EmptyKey();
    fw::TStringList ports{L"COM9", L"COM4"};
    serial::ListSerialPorts(ports);
    EXPECT_EQ(ports.Count(), 0);
}

TEST_F(PortListTest, MissingKeyLeavesTheListAlone) {
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
    fw::TStringList ports{L"COM9", L"COM4"};
    serial::ListSerialPorts(ports);
    EXPECT_EQ(Lines(ports), (std::vector<std::wstring>{L"COM9", L"COM4"}));
}

TEST_F(PortListTest, ValueTooLongEndsTheListThere) {
    fw::UniqueHKey key = EmptyKey();
    SetValue(key.get(), L"\\Device\\Serial0", L"COM1");
    SetValue(key.get(), L"\\Device\\Serial1", std::wstring(200, L'C'));  // 402 bytes: does not fit 256
    SetValue(key.get(), L"\\Device\\Serial2", L"COM2");
    fw::TStringList ports;
    serial::ListSerialPorts(ports);
    EXPECT_EQ(Lines(ports), (std::vector<std::wstring>{L"COM1"}));
}
