#pragma once
// The about box with its logo and two link labels.
#include <windows.h>

// The contact addresses the about box shows and opens.
#define ZARVILO_CONTACT_MAIL "info@larvinsk.ru"
#define ZARVILO_CONTACT_WEB "http://larvinsk.ru/"
inline constexpr wchar_t ContactMailAddress[] = L"" ZARVILO_CONTACT_MAIL;
inline constexpr wchar_t ContactWebAddress[] = L"" ZARVILO_CONTACT_WEB;
inline constexpr wchar_t ContactMailTarget[] = L"mailto:" ZARVILO_CONTACT_MAIL;

// Runs the modal about box over owner, showing logo, unless it is open already.
void OpenAboutBox(HINSTANCE instance, HWND owner, HBITMAP logo);

// The about box: logo, etched lines and two hyperlink labels.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The window procedure of both link labels: the hand cursor and the address
// painted in place of the label's own text.
LRESULT CALLBACK LinkStaticProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam);
