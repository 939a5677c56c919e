#include "registry/trees/reg_export.h"
#include "registry/trees/reg_file.h"
#include <new>

LSTATUS ExportRegKey(HKEY root, const std::wstring& subKey, REGSAM view, const std::wstring& fileName) {
    if (RootName(root).empty() || !IsKeyPath(subKey) || !IsRegistryView(view) || fileName.empty())
        return ERROR_INVALID_PARAMETER;
    try {
        KeyImage image;
        LSTATUS rc = CaptureTree(root, subKey, &image, view);
        if (rc != ERROR_SUCCESS) return rc;
        return ReplaceRegFile(fileName, FormatRegFile({{FullKeyName(root, subKey), std::move(image)}}));
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    }
}
