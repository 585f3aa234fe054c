#pragma once
#include <windows.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace testsupport {

// Points one entry of this program's import table at a stand-in for one scope,
// so that a test can count what the program's own code calls (libraries linked
// into the test call through the same table; the system's DLLs do not).
class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* standIn) {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
            if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
            const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
                slot_ = reinterpret_cast<void**>(&slots->u1.Function);
                original_ = *slot_;
                Write(standIn);
                return;
            }
        }
        throw std::runtime_error(std::string("this program does not import ") + function + " from " + dll);
    }
    ~ImportPatch() { Write(original_); }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    void* Original() const noexcept { return original_; }

private:
    void Write(void* value) noexcept {
        DWORD protection = 0;
        ::VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &protection);
        *slot_ = value;
        ::VirtualProtect(slot_, sizeof(void*), protection, &protection);
    }

    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace testsupport
