#pragma once
// A function of a library the program loads by name when first needed
// rather than importing it, so that a start does not pay for the library.

#include <windows.h>

namespace kv::os::win32 {

// Null when the library or the function is missing.
template <class Function>
Function libraryFunction(HMODULE library, const char* name) {
    return library ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)))
                   : nullptr;
}

}  // namespace kv::os::win32
