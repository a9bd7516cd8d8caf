#include "app/ComparisonSession.h"
