// The ten flags that shape the listing. Each holds 0 or 1, the same numbers as the
// check states of the Options dialog's boxes.
#pragma once
#include <cstdint>

struct ListingOptionFlags {
    int32_t ListItemNames;
    int32_t ListFolderNames;
    int32_t IncludeExtensions;
    int32_t IncludeEmptyFolders;
    int32_t CompleteFolderPath;
    int32_t ItemsLowerCase;
    int32_t FoldersLowerCase;
    int32_t ItemsUpperCase;
    int32_t FoldersUpperCase;
    int32_t UnderScoreToSpace;
};

constexpr ListingOptionFlags kDefaultListingOptions = {1, 1, 0, 0, 0, 0, 0, 0, 0, 1};

extern ListingOptionFlags ListingOptions;
