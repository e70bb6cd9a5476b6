// Fixed-width platform types and automation status codes.
//
// Ported code names these types unqualified, so they live at global scope
// under their usual names. Every type that is 32 bits wide on the platform the
// code came from is 32 bits wide here too, although `long` is 64 bits on
// 64-bit Linux: LONG, HRESULT and friends are `int`, so failure codes stay
// negative and comparisons such as `hr == E_INVALIDARG` hold. On i386 `long`
// has 32 bits too, but LONG is still `int` and ULONG `unsigned int`, so the
// overloads that take a `long` or `unsigned long` beside LONG and ULONG stay
// distinct on every machine; each one's header says what it does on each. The code unit of all text
// is `unsigned short` (WCHAR); `char16_t` is a distinct type and is never read
// through a pointer to WCHAR or the other way round.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

using BYTE = unsigned char;
using WORD = unsigned short;
using WCHAR = unsigned short;
using OLECHAR = unsigned short;
using LONG = int;
using ULONG = unsigned int;
using DWORD = unsigned int;
using UINT = unsigned int;
using BOOL = int;
using HRESULT = int;
using SCODE = int;
using DISPID = int;
using VARTYPE = unsigned short;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;

using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;

static_assert(sizeof(LONG) == 4 && sizeof(ULONG) == 4 && sizeof(DWORD) == 4);
static_assert(sizeof(WCHAR) == 2 && sizeof(char16_t) == 2);
static_assert(static_cast<WCHAR>(-1) == 0xFFFF);

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Automation status codes, written as their 32-bit patterns (C++20 defines
// the conversion to `int` as modular, so failures come out negative).

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du);
inline constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);

constexpr bool SUCCEEDED(HRESULT status) { return status >= 0; }
constexpr bool FAILED(HRESULT status) { return status < 0; }

// The operating system's error codes, as GetLastError reports them.

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_READ_FAULT = 30;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_OPEN_FAILED = 110;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
inline constexpr DWORD ERROR_ARITHMETIC_OVERFLOW = 534;
inline constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
inline constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
