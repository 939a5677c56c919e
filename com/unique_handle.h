#pragma once
// The owners now live in com/handle_owners.h; this name stays until every include uses that one.
#include "com/handle_owners.h"
