#pragma once
// A ledger of the device contexts and bitmaps this test program makes and
// frees. While a GdiLedger lives, the program's own import table sends the
// GDI calls through counting stand-ins, so it sees what the code under test
// does whether or not the system can count its GDI objects (Wine cannot).
#include <windows.h>

#include <cstring>
#include <iterator>
#include <map>
#include <set>

namespace gdi_ledger {

struct Book {
    int contextsMade = 0;
    int bitmapsMade = 0;
    int displayContextsHeld = 0;
    int bitmapsDeletedWhileSelected = 0;
    std::set<HDC> liveContexts;
    std::set<HGDIOBJ> liveBitmaps;
    std::map<HDC, HGDIOBJ> selectedBitmap;
};

inline Book* book = nullptr;

inline decltype(&CreateCompatibleDC) realCreateCompatibleDC;
inline decltype(&DeleteDC) realDeleteDC;
inline decltype(&CreateCompatibleBitmap) realCreateCompatibleBitmap;
inline decltype(&CreateBitmap) realCreateBitmap;
inline decltype(&SelectObject) realSelectObject;
inline decltype(&DeleteObject) realDeleteObject;
inline decltype(&GetDC) realGetDC;
inline decltype(&ReleaseDC) realReleaseDC;

inline HGDIOBJ NoteBitmap(HGDIOBJ bitmap) {
    if (bitmap != nullptr) {
        ++book->bitmapsMade;
        book->liveBitmaps.insert(bitmap);
    }
    return bitmap;
}

inline HDC WINAPI CountCreateCompatibleDC(HDC dc) {
    HDC made = realCreateCompatibleDC(dc);
    if (made != nullptr) {
        ++book->contextsMade;
        book->liveContexts.insert(made);
    }
    return made;
}

inline BOOL WINAPI CountDeleteDC(HDC dc) {
    book->liveContexts.erase(dc);
    book->selectedBitmap.erase(dc);
    return realDeleteDC(dc);
}

inline HBITMAP WINAPI CountCreateCompatibleBitmap(HDC dc, int width, int height) {
    return static_cast<HBITMAP>(NoteBitmap(realCreateCompatibleBitmap(dc, width, height)));
}

inline HBITMAP WINAPI CountCreateBitmap(int width, int height, UINT planes, UINT bits,
                                        const void* pixels) {
    return static_cast<HBITMAP>(NoteBitmap(realCreateBitmap(width, height, planes, bits, pixels)));
}

inline HGDIOBJ WINAPI CountSelectObject(HDC dc, HGDIOBJ object) {
    if (GetObjectType(object) == OBJ_BITMAP) book->selectedBitmap[dc] = object;
    return realSelectObject(dc, object);
}

// A bitmap may go only once no living context holds it.
inline BOOL WINAPI CountDeleteObject(HGDIOBJ object) {
    if (book->liveBitmaps.erase(object) > 0)
        for (const auto& [dc, bitmap] : book->selectedBitmap)
            if (bitmap == object && book->liveContexts.count(dc) > 0)
                ++book->bitmapsDeletedWhileSelected;
    return realDeleteObject(object);
}

inline HDC WINAPI CountGetDC(HWND window) {
    ++book->displayContextsHeld;
    return realGetDC(window);
}

inline int WINAPI CountReleaseDC(HWND window, HDC dc) {
    --book->displayContextsHeld;
    return realReleaseDC(window, dc);
}

// Points every import slot of dll!function in this program at replacement;
// returns how many slots it changed and what they held.
inline int PatchImport(const char* dll, const char* function, void* replacement, void** original) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int patched = 0;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &protection);
            *original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(void*), protection, &protection);
            ++patched;
        }
    }
    return patched;
}

struct Hook {
    const char* dll;
    const char* function;
    void* replacement;
    void** real;
};

template <typename Function> void** Slot(Function& pointer) {
    return reinterpret_cast<void**>(&pointer);
}

inline const Hook Hooks[] = {
    {"gdi32.dll", "CreateCompatibleDC", reinterpret_cast<void*>(&CountCreateCompatibleDC),
     Slot(realCreateCompatibleDC)},
    {"gdi32.dll", "DeleteDC", reinterpret_cast<void*>(&CountDeleteDC), Slot(realDeleteDC)},
    {"gdi32.dll", "CreateCompatibleBitmap", reinterpret_cast<void*>(&CountCreateCompatibleBitmap),
     Slot(realCreateCompatibleBitmap)},
    {"gdi32.dll", "CreateBitmap", reinterpret_cast<void*>(&CountCreateBitmap),
     Slot(realCreateBitmap)},
    {"gdi32.dll", "SelectObject", reinterpret_cast<void*>(&CountSelectObject),
     Slot(realSelectObject)},
    {"gdi32.dll", "DeleteObject", reinterpret_cast<void*>(&CountDeleteObject),
     Slot(realDeleteObject)},
    {"user32.dll", "GetDC", reinterpret_cast<void*>(&CountGetDC), Slot(realGetDC)},
    {"user32.dll", "ReleaseDC", reinterpret_cast<void*>(&CountReleaseDC), Slot(realReleaseDC)},
};

} // namespace gdi_ledger

// Keeps the books from construction to destruction; one at a time, and only
// while no other thread makes GDI calls.
class GdiLedger : public gdi_ledger::Book {
  public:
    GdiLedger() {
        gdi_ledger::book = this;
        for (const gdi_ledger::Hook& hook : gdi_ledger::Hooks)
            hooksInstalled +=
                gdi_ledger::PatchImport(hook.dll, hook.function, hook.replacement, hook.real) > 0;
    }
    ~GdiLedger() {
        void* replaced = nullptr;
        for (const gdi_ledger::Hook& hook : gdi_ledger::Hooks)
            gdi_ledger::PatchImport(hook.dll, hook.function, *hook.real, &replaced);
        gdi_ledger::book = nullptr;
    }
    GdiLedger(const GdiLedger&) = delete;
    GdiLedger& operator=(const GdiLedger&) = delete;

    bool AllHooksInstalled() const {
        return hooksInstalled == static_cast<int>(std::size(gdi_ledger::Hooks));
    }

  private:
    int hooksInstalled = 0;
};
