// A grammar library that loads but offers no usable language.
#include "tree_sitter/parser.h"

#include <stddef.h>

const TSLanguage* olv_test_no_language(void)
{
    return NULL;
}

// Carries only an ABI version, older than any this runtime accepts.
const TSLanguage* olv_test_abi12(void)
{
    static TSLanguage language;
    language.abi_version = 12;
    return &language;
}
