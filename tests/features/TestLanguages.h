#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TSLanguage TSLanguage;

// A language record made only for tests, reporting the given ABI version (below 32).
const TSLanguage* olvTestLanguageWithVersion(uint32_t abiVersion);

#ifdef __cplusplus
}
#endif
