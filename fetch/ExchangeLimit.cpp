#include "fetch/ExchangeLimit.h"

uint32_t TimeLeft(uint32_t start, uint32_t now, uint32_t limit) {
    // Unsigned subtraction counts across the wrap.
    const uint32_t elapsed = now - start;
    return elapsed < limit ? limit - elapsed : 0;
}

bool UnfinishedExchanges::TryBegin() {
    int seen = count;
    do {
        if (seen >= UnfinishedExchangeLimit) return false;
    } while (!count.compare_exchange_weak(seen, seen + 1));
    return true;
}

void UnfinishedExchanges::End() {
    --count;
}
