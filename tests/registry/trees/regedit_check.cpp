// The two halves of the fresh-prefix test (regedit_fresh_prefix_test.sh):
//   regedit_check export FILE   writes the tree of every kind of value, exports it to FILE
//                               with ExportRegKey and deletes it again;
//   regedit_check check         exits 0 when the registry holds exactly that tree, else says
//                               what differs and exits 1.
#include "registry/trees/reg_export.h"
#include "tests/registry/trees/tree_fixture.h"
#include <cstdio>

namespace {

const wchar_t kPath[] = L"Software\\TarnwellTests\\RegeditFreshPrefix";

int Export(const std::wstring& file) {
    LSTATUS rc = RestoreTree(HKEY_CURRENT_USER, kPath, EveryTypeTree());
    if (rc == ERROR_SUCCESS) rc = ExportRegKey(HKEY_CURRENT_USER, kPath, 0, file);
    DeleteTree(HKEY_CURRENT_USER, kPath);
    if (rc != ERROR_SUCCESS) fprintf(stderr, "regedit_check: the export failed with %ld\n", static_cast<long>(rc));
    return rc == ERROR_SUCCESS ? 0 : 1;
}

int Check() {
    if (Captured(HKEY_CURRENT_USER, kPath) == EveryTypeTree()) return 0;
    fprintf(stderr, "regedit_check: the tree differs\n");
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"export") return Export(argv[2]);
    if (argc == 2 && std::wstring(argv[1]) == L"check") return Check();
    fprintf(stderr, "usage: regedit_check export FILE | check\n");
    return 2;
}
