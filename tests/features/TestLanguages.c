#include "tests/features/TestLanguages.h"

#include "tree_sitter/parser.h"

// Records that only carry an ABI version: enough for the version check, never for parsing.
const TSLanguage* olvTestLanguageWithVersion(uint32_t abiVersion)
{
    static TSLanguage languages[32];
    if (abiVersion >= sizeof languages / sizeof languages[0])
        return 0;
    languages[abiVersion].abi_version = abiVersion;
    return &languages[abiVersion];
}
