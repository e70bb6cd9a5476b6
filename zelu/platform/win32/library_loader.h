// Language modules loaded from files: the operating system's LoadLibraryExW,
// LoadLibraryW and FreeLibrary, for modules of string resources.
//
// Teams ship their strings as resource-only libraries in the platform's
// executable format (PE32 or PE32+) or as compiled resource files (.res).
// Loading such a file reads its string tables into memory that the returned
// handle owns; nothing in the file is run, and the file is closed before the
// call returns. The handle works with LoadStringW and CZelString::setLangDLL
// like any StringModule's, until FreeLibrary releases it.
//
//   HMODULE strings = LoadLibraryExW(u16path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
//   if (strings == nullptr) { DWORD why = GetLastError(); /* ... */ }
//   CZelString text;
//   text.setLangDLL(strings);
//   text.LoadStringW(42);
//   FreeLibrary(strings);
//
// What a caller may rely on:
//   * The path is UTF-16, taken as it stands (relative to the current
//     directory; no search, no default extension). Each load makes a new
//     handle, even for the same file.
//   * The strings are the file's string tables: bundle b holds the ids
//     (b - 1) * 16 to (b - 1) * 16 + 15; an entry of length 0 is a missing
//     string. A bundle held in several languages is taken whole in one:
//     neutral (0) first, then US English (0x409), then the lowest language
//     id. Other resources, named tables and bundle 0 are passed over.
//   * On failure the result is null and GetLastError() says why:
//       ERROR_INVALID_PARAMETER  null path, a file handle given, or a flag
//                                other than those below;
//       ERROR_INVALID_NAME       the path holds an unpaired surrogate;
//       ERROR_FILE_NOT_FOUND     no such file (nor folder on its path);
//       ERROR_PATH_NOT_FOUND     a part of the path is not a folder;
//       ERROR_ACCESS_DENIED      not readable, or not a regular file
//                                (a folder, a device, a pipe);
//       ERROR_FILENAME_EXCED_RANGE  the path is too long;
//       ERROR_FILE_TOO_LARGE     the file is larger than 256 MiB;
//       ERROR_BAD_EXE_FORMAT     neither an image nor a .res file, or
//                                truncated or malformed: a section's data
//                                past the end, an offset or size outside,
//                                a .res entry cut or unpadded (never a
//                                crash or a read outside the file);
//       ERROR_OPEN_FAILED, ERROR_READ_FAULT  any other failure to open or
//                                read it.
//     Allocation failure throws std::bad_alloc. A successful load leaves
//     the last error as it was.
//   * Threads: loads and frees may run on any threads at once. A handle
//     may be read (LoadStringW) on any number of threads until it is freed;
//     freeing it while another thread reads it is the caller's error.
//   * FreeLibrary returns TRUE for a handle that a load returned and that
//     is not yet freed; for anything else (null, freed already, a
//     StringModule's handle) it returns FALSE with ERROR_INVALID_HANDLE and
//     releases nothing. (A handle freed twice may meet a later load that
//     was given the same address, as on the platform.) A freed handle must not be read again, nor may it
//     stay registered with SetMainProgramStrings.
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/win32/string_resources.h>

using HANDLE = void*;

// Flags of LoadLibraryExW. Every load here is a load as data; these three
// are accepted (alone or together) and mean just that.
inline constexpr DWORD LOAD_LIBRARY_AS_DATAFILE = 0x00000002;
inline constexpr DWORD LOAD_LIBRARY_AS_IMAGE_RESOURCE = 0x00000020;
inline constexpr DWORD LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE = 0x00000040;

// Loads the string tables of the file at `path`; `file` must be null.
ZELU_API HMODULE LoadLibraryExW(LPCWSTR path, HANDLE file, DWORD flags);
// LoadLibraryExW(path, nullptr, 0): the file is read as data too.
ZELU_API HMODULE LoadLibraryW(LPCWSTR path);
// Releases a handle from a load: TRUE, or FALSE and ERROR_INVALID_HANDLE.
ZELU_API BOOL FreeLibrary(HMODULE module);
