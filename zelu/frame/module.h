// The library as a loaded module.
//
// Loading the library runs nothing of its own: it keeps no global mutable
// state, starts no threads and needs no initialisation call, so every
// operation may be used as soon as the library is loaded, from any thread,
// and the library may be loaded and unloaded (dlopen/dlclose) any number of
// times. Unloading releases nothing, because nothing was acquired.
//
// Shape of the exported classes, which every family follows:
//   * CBase16, CBase64, CEmailAddress and CSafeArray have a public virtual
//     destructor and no other virtual member; every other exported class has
//     no virtual member at all.
//   * The codec and formatting classes (CBase16, CBase64, CBytes,
//     CFormatNumber) have no data; their assignment operators copy nothing
//     and return the object itself. CFormatNumber cannot be constructed.
//   * Results are returned, not thrown. Two exceptions can leave any member
//     that builds text or allocates: std::bad_alloc when memory runs out, and
//     std::length_error when a text would pass the 2^31 - 2 code units that
//     a CString holds. Each header names the members that can reach that
//     limit, the input size at which they do, and what they leave behind.
//   * Buffers handed out through an `unsigned char**` are allocated with
//     new[] and belong to the caller, who releases them with delete[].
#pragma once

#include <zelu/platform/base/export.h>

extern "C" {

// The library's version as "major.minor.patch"; a static string.
ZELU_API const char* zeluRtStringuVersion();

}
