/*
 * The four dlfcn.h calls the example hosts make, on Windows: a host built with mingw-w64 compiles
 * the example hosts of ../ as written with this folder on its include path (-I). A path given to
 * dlopen loads as LoadLibraryExA loads it, its dependencies searched from its own folder first.
 */
#ifndef ITEM_LOOKUP_WINDOWS_DLFCN_H
#define ITEM_LOOKUP_WINDOWS_DLFCN_H

#include <windows.h>

#define RTLD_NOW 2
#define RTLD_LOCAL 0

static char item_lookup_dlerror_text[64];

static void* dlopen(const char* path, int flags) {
  HMODULE module = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
  (void)flags;
  if (module == NULL) {
    wsprintfA(item_lookup_dlerror_text, "LoadLibraryExA failed with error %lu", GetLastError());
  }
  return (void*)module;
}

static void* dlsym(void* module, const char* name) {
  FARPROC entry = GetProcAddress((HMODULE)module, name);
  if (entry == NULL) {
    wsprintfA(item_lookup_dlerror_text, "GetProcAddress failed with error %lu", GetLastError());
  }
  return (void*)entry;
}

static const char* dlerror(void) {
  return item_lookup_dlerror_text;
}

static int dlclose(void* module) {
  return FreeLibrary((HMODULE)module) ? 0 : 1;
}

#endif
