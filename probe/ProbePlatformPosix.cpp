#include "probe/ProbePlatform.h"

bool StartProbePlatform(bool) {
    return true;
}
