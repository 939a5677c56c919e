#pragma once
// A report as text lines, one a registration, TAB-separated: scope, name, path, status and
// reason, and for /clean the action; the last line is always the summary.
#include "stellwick/core/report.h"
#include <string>
#include <vector>

std::vector<std::wstring> TextReport(const Report& report);
// "Stellwick: looked N, broken M, unverifiable K, deleted D, failed F"
std::wstring SummaryLine(const Summary& summary);
