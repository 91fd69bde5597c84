#include "fetch/SourceUrl.h"
void SplitSourceUrl(const char*, FetchTarget& t) { t.valid = false; }
