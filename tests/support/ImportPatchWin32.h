#pragma once
// Points one imported function of this program at a stand-in for the
// lifetime of the object, by rewriting its slot in the import address table.
// Tests use it to see what the code hands to the system.
#include <windows.h>

#include <cstring>

class ImportPatch {
  public:
    ImportPatch(const char* dll, const char* function, void* standIn) {
        slot = FindSlot(dll, function);
        if (!slot) return;
        original = *slot;
        Write(standIn);
    }
    ~ImportPatch() {
        if (slot) Write(original);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Active() const { return slot != nullptr; }
    template <typename F> F Original() const { return reinterpret_cast<F>(original); }

  private:
    static void** FindSlot(const char* dll, const char* function) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
        for (; entry->Name; ++entry) {
            if (lstrcmpiA(reinterpret_cast<char*>(base + entry->Name), dll) != 0) continue;
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

    void** slot = nullptr;
    void* original = nullptr;
};

// Answers GetProcAddress for one function name with a stand-in, for the
// lifetime of the object, so that code which loads a library on demand calls
// the stand-in. Other names are looked up as usual.
class LookUpPatch {
  public:
    LookUpPatch(const char* function, void* standIn)
        : patch("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(LookUp)) {
        answer = standIn;
        askedModule = nullptr;
        name = function;
    }
    ~LookUpPatch() { name = nullptr; }
    LookUpPatch(const LookUpPatch&) = delete;
    LookUpPatch& operator=(const LookUpPatch&) = delete;

    bool Active() const { return patch.Active(); }
    // The module the name was last looked up in.
    HMODULE AskedModule() const { return askedModule; }

  private:
    static FARPROC WINAPI LookUp(HMODULE module, LPCSTR function) {
        if (name && !IS_INTRESOURCE(function) && lstrcmpA(function, name) == 0) {
            askedModule = module;
            return reinterpret_cast<FARPROC>(answer);
        }
        return original(module, function);
    }

    ImportPatch patch;
    // Taken at start-up, before any patch.
    static inline decltype(&GetProcAddress) original = &GetProcAddress;
    static inline const char* name = nullptr;
    static inline void* answer = nullptr;
    static inline HMODULE askedModule = nullptr;
};

// Makes LoadLibraryA fail for one library, as on a system without it, for the
// lifetime of the object. Other libraries load as usual.
class LoadFailurePatch {
  public:
    explicit LoadFailurePatch(const char* library)
        : patch("kernel32.dll", "LoadLibraryA", reinterpret_cast<void*>(Load)) {
        failing = library;
    }
    ~LoadFailurePatch() { failing = nullptr; }
    LoadFailurePatch(const LoadFailurePatch&) = delete;
    LoadFailurePatch& operator=(const LoadFailurePatch&) = delete;

    bool Active() const { return patch.Active(); }

  private:
    static HMODULE WINAPI Load(LPCSTR library) {
        if (failing && lstrcmpiA(library, failing) == 0) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        return original(library);
    }

    ImportPatch patch;
    // Taken at start-up, before any patch.
    static inline decltype(&LoadLibraryA) original = &LoadLibraryA;
    static inline const char* failing = nullptr;
};
