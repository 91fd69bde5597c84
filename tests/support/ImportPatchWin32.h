#pragma once
// Points one imported function of this program at a stand-in while the object
// lives, through its slot in the import address table: tests see what the code
// hands to the system, or make the system fail. A function the program does not
// import by name fails the test.
#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

class ImportPatch {
  public:
    ImportPatch(const char* dll, const char* function, void* standIn)
        : slot(FindSlot(dll, function)) {
        if (!slot) {
            ADD_FAILURE() << "this program does not import " << function << " from " << dll;
            return;
        }
        original = *slot;
        Write(standIn);
    }
    ~ImportPatch() {
        if (slot) Write(original);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    // The real function, for a stand-in: a call by its name would come back to the stand-in.
    template <typename F> F Original() const { return reinterpret_cast<F>(original); }

  private:
    static void** FindSlot(const char* dll, const char* function) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress == 0) return nullptr;
        auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
        for (; entry->Name; ++entry) {
            // Without the table of names a slot cannot be told by its function's name.
            if (entry->OriginalFirstThunk == 0 ||
                _stricmp(reinterpret_cast<char*>(base + entry->Name), dll) != 0)
                continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                auto* byName =
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) == 0)
                    return reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
        return nullptr;
    }
    void Write(void* value) {
        DWORD previous;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous);
        *slot = value;
        VirtualProtect(slot, sizeof *slot, previous, &previous);
    }

    void** const slot;
    void* original = nullptr;
};
