#pragma once
// A report as one JSON document of schema stellwick.report/1 (docs/report.md), in UTF-8.
#include "stellwick/core/report.h"
#include <string>

std::string JsonReport(const Report& report);
