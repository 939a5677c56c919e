// The two halves of the fresh-prefix test (regedit_fresh_prefix_test.sh):
//   regedit_check export FILE   writes the tree of every kind of value, exports it to FILE
//                               with ExportRegKey and deletes it again;
//   regedit_check check         exits 0 when the registry holds exactly that tree, else 1.
#include "registry/trees/reg_export.h"
#include "tests/registry/trees/tree_fixture.h"
#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    const wchar_t path[] = L"Software\\TarnwellTests\\RegeditFreshPrefix";
    if (argc == 2 && std::wstring(argv[1]) == L"check") return Captured(HKEY_CURRENT_USER, path) == EveryTypeTree() ? 0 : 1;
    if (argc != 3 || std::wstring(argv[1]) != L"export") {
        fprintf(stderr, "usage: regedit_check export FILE | check\n");
        return 2;
    }
    LSTATUS rc = RestoreTree(HKEY_CURRENT_USER, path, EveryTypeTree());
    if (rc == ERROR_SUCCESS) rc = ExportRegKey(HKEY_CURRENT_USER, path, 0, argv[2]);
    DeleteTree(HKEY_CURRENT_USER, path);
    if (rc != ERROR_SUCCESS) fprintf(stderr, "regedit_check: the export failed with %ld\n", static_cast<long>(rc));
    return rc == ERROR_SUCCESS ? 0 : 1;
}
