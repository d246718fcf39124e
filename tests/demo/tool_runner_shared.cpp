// The tool tests' subprocess helpers (tests/tool/tool_runner.h), built into
// this program as well: these tests drive the tool the same way.
#ifndef _WIN32
#include "../tool/tool_runner.cpp"
#endif
