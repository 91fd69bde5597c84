#pragma once
// Points one imported function of this program at a stand-in while the object
// lives, through its slot in the import address table: tests see what the code
// hands to the system, or make the system fail.
#include "tests/support/ImportSlotWin32.h"

class ImportPatch {
  public:
    ImportPatch(const char* dll, const char* function, void* standIn) {
        slot = FindImportSlot(GetModuleHandleW(nullptr), dll, function);
        if (!slot) return;
        original = *slot;
        WriteImportSlot(slot, standIn);
    }
    ~ImportPatch() {
        if (slot) WriteImportSlot(slot, original);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Active() const { return slot != nullptr; }

    // The real function, for a stand-in: a call by its name would come back to the stand-in.
    template <typename F> F Original() const { return reinterpret_cast<F>(original); }

  private:
    void** slot = nullptr;
    void* original = nullptr;
};
