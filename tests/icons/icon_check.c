/* Writes the bytes of icon resource N of a program to a
   file, as the system's own resource calls find them:
     icon_check PROGRAM N OUT */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char** argv) {
    HMODULE module;
    HRSRC found;
    HGLOBAL loaded;
    const void* bytes;
    DWORD size;
    FILE* out;
    if (argc != 4) {
        fprintf(stderr, "usage: icon_check PROGRAM N OUT\n");
        return 2;
    }
    module = LoadLibraryExA(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        fprintf(stderr, "icon_check: cannot load %s (%lu)\n", argv[1], GetLastError());
        return 1;
    }
    found = FindResourceA(module, MAKEINTRESOURCEA(atoi(argv[2])), MAKEINTRESOURCEA(3));
    loaded = found ? LoadResource(module, found) : NULL;
    bytes = loaded ? LockResource(loaded) : NULL;
    size = found ? SizeofResource(module, found) : 0;
    if (!bytes) {
        fprintf(stderr, "icon_check: no icon %s in %s\n", argv[2], argv[1]);
        return 1;
    }
    out = fopen(argv[3], "wb");
    if (!out || fwrite(bytes, 1, size, out) != size || fclose(out) != 0) {
        fprintf(stderr, "icon_check: cannot write %s\n", argv[3]);
        return 1;
    }
    FreeLibrary(module);
    return 0;
}
