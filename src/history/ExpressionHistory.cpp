#include "ExpressionHistory.h"

void TExpressionHistory::Clear() {
    *this = TExpressionHistory();
}
